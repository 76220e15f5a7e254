// The main window's placement and last folders in Window Settings and General:
// restored at start-up, saved when the window closes.
#pragma once

#include <string>

namespace tessaly {

// Window states as the settings store them.
inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;
inline constexpr int kWindowMaximized = 2;

// Pixels on the screen; state is kWindowNormal, kWindowMinimized or kWindowMaximized.
struct WindowPlacement {
  int state = 0;
  int left = 0, top = 0, width = 0, height = 0;
};

// The stored placement, missing values taken from current's state and from a
// comfortable size centred on the screen: two thirds of it, at least 900 x 600 where
// the screen has room. current's size is the smallest the window may have. A stored
// minimized state starts normal; a maximized one keeps its normal geometry for when
// it is restored. Values that are not numbers read as missing; the size is kept
// within the screen (never below current's) and the window on it.
WindowPlacement RestoreWindowPlacement(const WindowPlacement& current, int screenWidth,
                                       int screenHeight);

// Writes General/Show File Type at once: the choice outlives an Exit or a lost session.
void SaveFileTypeFilter(int fileTypeIndex);

// Writes the placement (for a maximized window its normal geometry), General/Show
// File Type, Last Used Destination Folder, Last Used Source Folder, and
// Window Settings/Splitter Pos.
void SaveSettings(const WindowPlacement& placement, int fileTypeIndex,
                  const std::string& destinationText, const std::string& currentFolder,
                  int splitterPos);

// Window Settings/Splitter Pos; defaultLeft when missing, not a number or negative.
int SplitterPosSetting(int defaultLeft);

// Splitter Pos is the bar's left in the splitter's container as wide as it is in the
// window's normal (not maximized) state, so a window closed maximized and started
// maximized, or then restored, shows the same proportion again. These convert the
// bar's left at containerWidth to and from that.
int SplitterPosToSave(int left, int containerWidth, int normalContainerWidth);
int SplitterLeftFromSaved(int splitterPos, int normalContainerWidth, int containerWidth);

}  // namespace tessaly
