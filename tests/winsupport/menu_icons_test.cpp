// How a menu caption finds its image: one case for each way a tag may agree with it.
// The pictures themselves are checked by the image-list window tests.
#include "winsupport/menu_icons.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(MenuImageIndexFor, MatchesTheMainWindowsCaptions) {
  const std::pair<const char*, int> cases[] = {
      {"&Extract", 1},              // exact
      {"Extract", 27},              // the "&" makes the first tag differ
      {"&Up One Folder Level", 8},  // tag is a prefix of the caption
      {"Explore", 16},              // caption is a prefix of the tag
      {"Rename Folder", 32},        // first agreeing tag wins over the exact one
      {"E&XIT", 17},                // case does not count
      {"", 0},                      // an entry without text gets no icon
  };
  for (const auto& [caption, image] : cases)
    EXPECT_EQ(MenuImageIndexFor(caption), image) << caption;
}

// Every button's command is driven through the main window's toolbar tests.
TEST(ToolbarButtons, AKeyFindsItsCommand) {
  EXPECT_EQ(ToolbarCommandFor("uplevel"), "mnuUpLvl");
  EXPECT_EQ(ToolbarCommandFor("nosuchkey"), "");
  EXPECT_EQ(ToolbarCommandFor(""), "");
}

}  // namespace
}  // namespace tessaly
