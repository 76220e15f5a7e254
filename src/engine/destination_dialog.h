// Form2, the one folder chooser: what it shows, what its buttons do, and what it
// hands back in the job state. The window shows this model and forwards its events.
#pragma once

#include <string>

#include "platform/dialogs.h"

namespace tessaly {

struct Session;

enum class TreeNodeKind { Folder, DesktopRoot, ComputerRoot };

// What the dialog needs of its folder tree (FT1).
class FolderTreeControl {
 public:
  virtual ~FolderTreeControl() = default;
  // False, with the selection unchanged, when path names no folder.
  virtual bool SelectFolder(const std::string& path) = 0;
  virtual TreeNodeKind SelectedKind() const = 0;
  // Ends in "/"; "" for the virtual nodes and while nothing is selected.
  virtual std::string SelectedPath() const = 0;
  // The folder the "Desktop" root stands for, ending in "/".
  virtual std::string DesktopFolder() const = 0;
  virtual void SelectParent() = 0;
  virtual void Reread() = 0;
};

inline constexpr const char* kForm2Caption = "Extract to...";
inline constexpr const char* kForm2Label1 =
    "Choose a folder from the list below and press \"OK\". To create a folder, press \"New\" "
    "and enter a name in the space provided.";
inline constexpr const char* kForm2Check1 = "Create new folder for each zip under selected folder.";

class Form2 {
 public:
  explicit Form2(FolderTreeControl& tree) : FT1(tree) {}

  std::string Caption = kForm2Caption;
  std::string Label2;  // the chosen folder, ending in "/" when not empty
  bool Check1 = false;
  bool Check1Visible = false;    // only in the enlarged dialog
  bool Command1Enabled = false;  // OK
  bool Command2Enabled = false;  // New
  bool closed = false;           // OK or Cancel ended the dialog

  void Load(Session& session, const DestinationRequest& request);
  // The tree reports a newly selected node.
  void SelectionChanged(TreeNodeKind kind, const std::string& path);
  void Command1_Click(Session& session);  // OK
  void Command2_Click(Session& session);  // New
  void Command3_Click(Session& session);  // Cancel
  void Command4_Click();                  // up one level
  // What the caller reads after the dialog has gone, however it was closed.
  DestinationAnswer Answer(const Session& session) const;

 private:
  FolderTreeControl& FT1;
};

}  // namespace tessaly
