// What the core knows of the main window (Form1): the destination box, the
// per-archive-folder box, the browsing state, and the few things it asks the window
// to do.
#pragma once

#include <string>

#include "platform/controls.h"

namespace tessaly {

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual void ListFolder() = 0;            // re-read CurrentFolder with FilePattern
  virtual void UpdateSelectionState() = 0;  // selection count and command states
  virtual void SetBusy(bool busy) = 0;      // the hourglass pointer
  virtual void SetEnabled(bool enabled) = 0;
  virtual void FocusCombo1() = 0;
  virtual void Show() = 0;
};

struct Form1Model {
  ComboBoxModel Combo1;               // the destination box and its history
  bool Check1 = false;                // "Create new folder under this one for each zip in set."
  std::string CurrentFolder;          // the folder browsed, ending in "/"
  std::string FilePattern = "*.zip";  // the file-type filter
  MainWindowView* view = nullptr;     // null when no window exists (console)
};

}  // namespace tessaly
