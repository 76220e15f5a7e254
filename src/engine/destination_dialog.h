// The destination dialog, the one folder chooser: what it shows, what its buttons do, and what it
// hands back in the job state. The window shows this model and forwards its events.
#pragma once

#include <string>

#include "platform/dialogs.h"

namespace tessaly {

struct Session;

enum class TreeNodeKind { Folder, DesktopRoot, ComputerRoot };

// What the dialog needs of its folder tree .
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

inline constexpr const char* kDestinationCaption = "Extract to...";
inline constexpr const char* kDestinationInstructions =
    "Choose a folder from the list below and press \"OK\". To create a folder, press \"New\" "
    "and enter a name in the space provided.";
inline constexpr const char* kPerArchiveFolderCaption =
    "Create new folder for each zip under selected folder.";

class DestinationModel {
 public:
  explicit DestinationModel(FolderTreeControl& tree) : tree_(tree) {}

  std::string caption = kDestinationCaption;
  std::string chosenFolder;  // the chosen folder, ending in "/" when not empty
  bool perArchiveFolder = false;
  bool perArchiveFolderVisible = false;  // only in the enlarged dialog
  bool okEnabled = false;                // OK
  bool newFolderEnabled = false;         // New
  bool closed = false;                   // OK or Cancel ended the dialog

  void Load(Session& session, const DestinationRequest& request);
  // The tree reports a newly selected node.
  void SelectionChanged(TreeNodeKind kind, const std::string& path);
  void OkClicked(Session& session);         // OK
  void NewFolderClicked(Session& session);  // New
  void CancelClicked(Session& session);     // Cancel
  void UpOneLevelClicked();                 // up one level
  // What the caller reads after the dialog has gone, however it was closed.
  DestinationAnswer Answer(const Session& session) const;

 private:
  FolderTreeControl& tree_;
};

}  // namespace tessaly
