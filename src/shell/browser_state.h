// What the file browser keeps of the main window: the commands that follow the
// selection, the status text and the file-type filter.
#pragma once

#include <string>

namespace tessaly {

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

// The browser's state that follows the file list and the file-type filter.
struct BrowserState {
  bool perArchiveFolderEnabled = false;
  // The user's last tick of the per-archive-folder box, kept while the box is greyed.
  bool perArchiveFolderChosen = false;
  SelectionCommands commands;
  std::string selectionStatus = "0 File(s) Selected.";  // status bar panel 2
  std::string extractRefusal;         // why Extract is greyed for this selection, or empty
  std::string filePattern = "*.zip";  // the file-type filter
  int fileTypeIndex = 0;              // the filter's list index
  std::string selectedFolderPath;     // currentFolder ending in "/": prefix of every selection
};

}  // namespace tessaly
