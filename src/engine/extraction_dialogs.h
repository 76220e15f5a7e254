// The confirmation dialog and the Status window as the core sees
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

class StatusModel {
 public:
  std::string archiveLabel;
  std::string messageLabel;
  int64_t progressMax = 100;
  int64_t progressValue = 0;
  std::string cancelButtonCaption;
  bool cancelButtonVisible = true;
  std::string backgroundButtonCaption;
  bool backgroundButtonEnabled = true;
  bool backgroundButtonVisible = true;
  bool loaded = false;
  bool visible = true;  // false while "Background" hides the window

  StatusView* view = nullptr;

  void SetArchiveLabel(const std::string& text);
  void SetMessageLabel(const std::string& text);
  void SetMax(int64_t max);
  void SetValue(int64_t value);
  void Refresh();

  // Loading: "Preparing to extract files...", Cancel/Background, cancelExtract cleared.
  void Load(Session& session);
  // "Cancel" stops the running job at its next check; "OK" closes the window.
  void CancelButtonClicked(Session& session);
  // "Explore" closes the window and opens the destination in the file manager (and
  // says so when that fails);
  // "Background" hides the window and minimises the main window until it is activated.
  void BackgroundButtonClicked(Session& session);
  // Escape presses the cancel button only while it cancels the running job.
  bool EscapeCancels() const;
  // Closing: the main window is enabled again, loses its hourglass and gets the focus.
  void Unload(Session& session);
};

// The main window was activated: a Status window sent to the background comes back
// and the main window is disabled again while it shows.
void MainWindowActivated(Session& session);

class ConfirmationModel {
 public:
  std::string message;
  bool showAgain = true;  // "Show this message again in the future."
  bool newDestinationVisible = false;
  bool keepBroken = false;  // "Keep broken files" for this job only

  void Load(Session& session);
  void GoClicked(Session& session);      // "Go"
  void CancelClicked(Session& session);  // "Cancel"
  // "Select New Destination Folder": a new destination for this job and later ones.
  void NewDestinationClicked(Session& session);
  void Unload(Session& session);
};

// The archive-set notice, shown when the file-type filter turns to a type whose
// archives come in sets.
class ImportantMessageModel {
 public:
  bool showAgain = true;             // "Show this message again in the future"
  void OkClicked(Session& session);  // "OK"
};

inline constexpr const char* kConfirmationLead =
    "You have chosen to extract the contents of the selected archive(s) to the folder:";

inline constexpr const char* kConfirmationPrompt =
    "Click \"Go\" to continue or \"Cancel\" to abort this operation.";

inline constexpr const char* kArchiveSetNotice =
    "Since Arj, Rar, and Ace archives and their self-extracting equivalents behave differently "
    "from Zips, only the first file in the set needs to be selected to process the entire set. "
    "To see how many files are in a set, view \"All Files\" or click \"Set Info\" from the "
    "\"File\" menu, right-click menu, or the toolbar.";

}  // namespace tessaly
