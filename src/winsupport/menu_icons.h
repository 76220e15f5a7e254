// The main window's command images as tags, the rule that gives a menu
// entry its icon, and the toolbar built on the same images.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

inline constexpr int kCommandIconCount = 47;

// The tag of image index (1-based, 1..kCommandIconCount); "" outside that range.
const std::string& CommandIconTag(int index);

// The 1-based index of the first image whose tag agrees with the caption, without
// regard to case, over the length of the shorter text; 0 when none does or the
// caption is empty.
int MenuImageIndexFor(const std::string& caption);

// One toolbar button; a separator has an empty key, tooltip and command and image 0.
struct ToolbarButton {
  std::string key;
  std::string tooltip;
  int image = 0;        // index into the command images
  std::string command;  // the menu entry a click runs, e.g. "mnuEx"

  bool IsSeparator() const { return key.empty(); }
};

// The toolbar's buttons and separators, left to right.
const std::vector<ToolbarButton>& ToolbarButtons();

// The menu command a button key runs; "" for a key no button has.
std::string ToolbarCommandFor(const std::string& key);

}  // namespace tessaly
