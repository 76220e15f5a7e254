// What a job needs of the main window: the destination box, the per-archive-folder
// box, the folder being browsed and the few things it asks the window to do. The
// desktop front end connects its window; the console runs without one.
#pragma once

#include <string>

#include "engine/job_end_notice.h"
#include "platform/controls.h"
#include "settings/window_placement.h"

namespace tessaly {

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual void ListFolder() = 0;            // list the folder browsed again
  virtual void UpdateSelectionState() = 0;  // selection count and command states
  virtual void SetBusy(bool busy) = 0;      // the hourglass pointer
  virtual void SetEnabled(bool enabled) = 0;
  virtual void FocusDestinationBox() = 0;
  virtual void Show() = 0;
  virtual int WindowState() const = 0;  // kWindowNormal, kWindowMinimized, kWindowMaximized
  virtual void SetWindowState(int state) = 0;
  virtual bool IsVisible() const = 0;
  // A sign on the desktop that a job sent to the background has ended.
  virtual void TellJobEnded(const JobEndNotice& notice) = 0;
};

struct MainWindowLink {
  ComboBoxModel destinationBox;    // the destination box and its history
  bool perArchiveFolder = false;   // "Create new folder under this one for each zip in set."
  std::string currentFolder;       // the folder browsed, ending in "/"
  MainWindowView* view = nullptr;  // null when no window exists (console)
};

}  // namespace tessaly
