// What the file browser keeps of the main window: the commands that follow the
// selection, the status text and the file-type filter.
#pragma once

#include <string>

namespace tessaly {

// Enabled state of the commands that follow the file list's selection: menu-bar
// entries and their file pop-up twins.
struct SelectionCommands {
  bool mnuEx = false, fpopEx = false;
  bool mnuZC = false, fpopZC = false;
  bool mnuSi = false, fpopSI = false;
  bool mnulaunch = false, fpopLa = false;
  bool mnuProp = false, fpopPr = false;
  bool mnuren = false, fpopRen = false;
  bool mnuCopy = false, fpopCpy = false;
  bool mnuMov = false, fpopMov = false;
  bool mnuDel = false, fpopDe = false;
};

// The browser's state that follows the file list and the file-type filter.
struct BrowserState {
  bool perArchiveFolderEnabled = false;
  SelectionCommands commands;
  std::string selectionStatus = "0 File(s) Selected.";  // status bar panel 2
  std::string filePattern = "*.zip";                    // the file-type filter
  int fileTypeIndex = 0;                                // the filter's list index
  std::string selectedFolderPath;  // currentFolder ending in "/": prefix of every selection
};

}  // namespace tessaly
