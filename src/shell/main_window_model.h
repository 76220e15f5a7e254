// What the core knows of the main window: the destination box, the
// per-archive-folder box, the browsing state, the commands that follow the
// selection, and the few things it asks the window to do.
#pragma once

#include <string>

#include "platform/controls.h"

namespace tessaly {

// Window states as the settings store them.
inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;
inline constexpr int kWindowMaximized = 2;

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual void ListFolder() = 0;            // re-read CurrentFolder with FilePattern
  virtual void UpdateSelectionState() = 0;  // selection count and command states
  virtual void SetBusy(bool busy) = 0;      // the hourglass pointer
  virtual void SetEnabled(bool enabled) = 0;
  virtual void FocusDestinationBox() = 0;
  virtual void Show() = 0;
  virtual int WindowState() const = 0;  // kWindowNormal, kWindowMinimized, kWindowMaximized
  virtual void SetWindowState(int state) = 0;
  virtual bool IsVisible() const = 0;
};

// Enabled state of the commands that follow the file list's selection: menu-bar
// entries and their file pop-up twins.
struct SelectionCommands {
  bool extractMenu = false, extractPopup = false;
  bool contentsMenu = false, contentsPopup = false;
  bool setInfoMenu = false, setInfoPopup = false;
  bool launchMenu = false, launchPopup = false;
  bool propertiesMenu = false, propertiesPopup = false;
  bool renameMenu = false, renamePopup = false;
  bool copyMenu = false, copyPopup = false;
  bool moveMenu = false, movePopup = false;
  bool deleteMenu = false, deletePopup = false;
};

struct MainWindowModel {
  ComboBoxModel destinationBox;   // the destination box and its history
  bool perArchiveFolder = false;  // "Create new folder under this one for each zip in set."
  bool perArchiveFolderEnabled = false;
  SelectionCommands commands;
  std::string selectionStatus = "0 File(s) Selected.";  // status bar panel 2
  std::string currentFolder;                            // the folder browsed, ending in "/"
  std::string filePattern = "*.zip";                    // the file-type filter
  int fileTypeIndex = 0;                                // the filter's list index
  std::string selectedFolderPath;  // CurrentFolder ending in "/": prefix of every selection
  MainWindowView* view = nullptr;  // null when no window exists (console)
};

}  // namespace tessaly
