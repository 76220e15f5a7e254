#include "winsupport/menu_icons.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace tessaly {

namespace {

const std::array<std::string, kCommandIconCount>& Tags() {
  static const std::array<std::string, kCommandIconCount> tags = {
      "&Extract",
      "&Launch",
      "&Delete File(s)",
      "&Copy File(s)",
      "&Move File(s)",
      "&File Properties",
      "Refres&h",
      "&Up One Folder",
      "&Archive Contents",
      "&Set Info",
      "&Options",
      "Shrink",
      "&Contents",
      "&About",
      "F&ind Files",
      "Explore Selected &Folder",
      "E&xit",
      "&Favorites",
      "Create Ne&w Folder",
      "&Edit Favorites List",
      "Se&t Selected Folder as Destination",
      "&Last Used Destination Folder",
      "&Select All",
      "Select &None",
      "Minimize to",
      "&Rename",
      "Extract",
      "Launch",
      "Copy to...",
      "Move to...",
      "Delete",
      "Rename",
      "Properties",
      "Set Info",
      "Archive Contents",
      "Add to Favorites",
      "Set as Destination",
      "Find Files",
      "De&lete Folder",
      "Delete Folder",
      "F&older Properties",
      "Folder Properties",
      "Re&name Folder",
      "Refresh",
      "Create New Folder",
      "&Test Archive(s)",
      "Test Archive(s)",
  };
  return tags;
}

bool AgreeOverShorter(std::string_view a, std::string_view b) {
  const size_t length = std::min(a.size(), b.size());
  for (size_t i = 0; i < length; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

const std::string& CommandIconTag(int index) {
  static const std::string none;
  if (index < 1 || index > kCommandIconCount) return none;
  return Tags()[index - 1];
}

int MenuImageIndexFor(const std::string& caption) {
  // Over a length of zero every tag would agree: an entry without text gets no icon.
  if (caption.empty()) return 0;
  const auto& tags = Tags();
  for (int i = 0; i < kCommandIconCount; ++i) {
    if (!tags[i].empty() && AgreeOverShorter(tags[i], caption)) return i + 1;
  }
  return 0;
}

const std::vector<ToolbarButton>& ToolbarButtons() {
  static const std::vector<ToolbarButton> buttons = {
      {"extract", "Extract", 1, "mnuEx"},
      {"launch", "Launch", 2, "mnulaunch"},
      {"test", "Test archive(s)", 46, "mnuTest"},
      {},
      {"delete", "Delete file(s)", 3, "mnuDel"},
      {"copy", "Copy file(s)", 4, "mnuCopy"},
      {"move", "Move file(s)", 5, "mnuMov"},
      {"refresh", "Refresh file list", 7, "mnuRef"},
      {"uplevel", "Up one folder level", 8, "mnuUpLvl"},
      {"find", "Find files", 15, "mnuFind"},
      {},
      {"prop", "File properties", 6, "mnuProp"},
      {"zc", "Archive contents", 9, "mnuZC"},
      {"setinfo", "Set information", 10, "mnuSi"},
      {"options", "Options", 11, "mnuOp"},
      {"shrink", "Shrink to Drop Target", 12, "mnuShr"},
      {},
      {"help", "Help", 13, "hlpcontmenu"},
      {"about", "About", 14, "abmenu"},
  };
  return buttons;
}

std::string ToolbarCommandFor(const std::string& key) {
  if (key.empty()) return "";
  for (const auto& button : ToolbarButtons()) {
    if (button.key == key) return button.command;
  }
  return "";
}

}  // namespace tessaly
