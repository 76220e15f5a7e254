// The confirmation dialog (Form3) and the Status window (Form4) as the core sees
// them: their controls' state and their handlers. A window only shows this state
// and calls the handlers; every decision is made here.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct Session;

// Told whenever the Status window's state changed, so that a view can repaint.
class StatusView {
 public:
  virtual ~StatusView() = default;
  virtual void Refresh() = 0;
};

class Form4 {
 public:
  std::string lblarc;
  std::string lblmsg;
  int64_t pb2Max = 100;
  int64_t pb2Value = 0;
  std::string Command1Caption;
  bool Command1Visible = true;
  std::string Command2Caption;
  bool Command2Enabled = true;
  bool Command2Visible = true;
  bool loaded = false;
  bool Visible = true;  // false while "Background" hides the window

  StatusView* view = nullptr;

  void SetLblarc(const std::string& text);
  void SetLblmsg(const std::string& text);
  void SetMax(int64_t max);
  void SetValue(int64_t value);
  void Refresh();

  // Loading: "Preparing to extract files...", Cancel/Background, CancelExtract cleared.
  void Load(Session& session);
  // "Cancel" stops the running job at its next check; "OK" closes the window.
  void Command1_Click(Session& session);
  // "Explore" closes the window and opens the destination in the file manager (and
  // says so when that fails);
  // "Background" hides the window and minimises the main window until it is activated.
  void Command2_Click(Session& session);
  // Escape presses Command1 only while it cancels the running job.
  bool EscapeCancels() const;
  // Closing: the main window is enabled again, loses its hourglass and gets the focus.
  void Unload(Session& session);
};

// The main window was activated: a Status window sent to the background comes back
// and the main window is disabled again while it shows.
void MainWindowActivated(Session& session);

class Form3 {
 public:
  std::string Label1;
  bool Check1 = true;  // "Show this message again in the future."
  bool Command3Visible = false;

  void Load(Session& session);
  void Command1_Click(Session& session);  // "Go"
  void Command2_Click(Session& session);  // "Cancel"
  // "Select New Destination Folder": a new destination for this job and later ones.
  void Command3_Click(Session& session);
  void Unload(Session& session);
};

// The archive-set notice, shown when the file-type filter turns to a type whose
// archives come in sets.
class Form8 {
 public:
  bool Check1 = true;                     // "Show this message again in the future"
  void Command1_Click(Session& session);  // "OK"
};

inline constexpr const char* kForm3Label1Lead =
    "You have chosen to extract the contents of the selected archive(s) to the folder:";

inline constexpr const char* kForm3Label2 =
    "Click \"Go\" to continue or \"Cancel\" to abort this operation.";

inline constexpr const char* kForm8Label1 =
    "Since Arj, Rar, and Ace archives and their self-extracting equivalents behave differently "
    "from Zips, only the first file in the set needs to be selected to process the entire set. "
    "To see how many files are in a set, view \"All Files\" or click \"Set Info\" from the "
    "\"File\" menu, right-click menu, or the toolbar.";

}  // namespace tessaly
