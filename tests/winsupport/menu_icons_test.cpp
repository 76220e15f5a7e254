#include "winsupport/menu_icons.h"

#include <gtest/gtest.h>

#include <set>

namespace tessaly {
namespace {

struct CaptionCase {
  const char* caption;
  int image;
};

TEST(MenuImageIndexFor, MatchesTheMainWindowsCaptions) {
  const CaptionCase cases[] = {
      {"&Extract", 1},                   // exact
      {"Extract", 27},                   // the "&" makes the first tag differ
      {"&Up One Folder Level", 8},       // tag is a prefix of the caption
      {"&Copy File(s) to...", 4},        //
      {"&About Tessaly", 14},            //
      {"Shrink to Drop &Target", 12},    //
      {"Minimize to S&ystem Tray", 25},  //
      {"&Rename File", 26},              //
      {"E&xit", 17},                     //
      {"Explore", 16},                   // caption is a prefix of the tag
      {"&File", 6},                      //
      {"Rename Folder", 32},             // first agreeing tag wins over the exact one
      {"Delete Folder", 31},             //
      {"Refresh", 44},                   // "Refres&h" differs at the "&"
      {"Set as Destination", 37},        //
      {"Folder Properties", 42},         //
      {"(Empty)", 0},                    //
      {"&Restore", 0},                   //
      {"&Help", 0},                      //
      {"", 0},                           // an entry without text gets no icon
  };
  for (const auto& c : cases) EXPECT_EQ(MenuImageIndexFor(c.caption), c.image) << c.caption;
}

TEST(MenuImageIndexFor, IgnoresCase) {
  EXPECT_EQ(MenuImageIndexFor("E&XIT"), 17);
  EXPECT_EQ(MenuImageIndexFor("create new folder"), 45);
  EXPECT_EQ(MenuImageIndexFor("cREATE nE&W fOLDER"), 19);
}

TEST(ImageList1Tag, HoldsFortyFiveTagsInOrder) {
  EXPECT_EQ(ImageList1Tag(1), "&Extract");
  EXPECT_EQ(ImageList1Tag(15), "F&ind Files");
  EXPECT_EQ(ImageList1Tag(45), "Create New Folder");
  EXPECT_EQ(ImageList1Tag(0), "");
  EXPECT_EQ(ImageList1Tag(46), "");
  // Each tag finds its own image unless an earlier tag agrees with it.
  for (int i = 1; i <= kImageList1Count; ++i) {
    const int found = MenuImageIndexFor(ImageList1Tag(i));
    EXPECT_GE(found, 1);
    EXPECT_LE(found, i) << ImageList1Tag(i);
  }
}

TEST(ToolbarButtons, FifteenButtonsInThreeSeparatedGroups) {
  const auto& buttons = ToolbarButtons();
  ASSERT_EQ(buttons.size(), 18u);
  std::set<int> images;
  int separators = 0;
  for (const auto& button : buttons) {
    if (button.IsSeparator()) {
      ++separators;
      continue;
    }
    images.insert(button.image);
    EXPECT_EQ(ToolbarCommandFor(button.key), button.command);
  }
  EXPECT_EQ(separators, 3);
  EXPECT_EQ(images, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_TRUE(buttons[2].IsSeparator());
  EXPECT_EQ(buttons[6].key, "refresh");
  EXPECT_EQ(buttons[6].tooltip, "Refresh file list");
  EXPECT_EQ(buttons[6].image, 7);
  EXPECT_EQ(buttons[17].command, "abmenu");

  EXPECT_EQ(ToolbarCommandFor("uplevel"), "mnuUpLvl");
  EXPECT_EQ(ToolbarCommandFor("nosuchkey"), "");
  EXPECT_EQ(ToolbarCommandFor(""), "");
}

}  // namespace
}  // namespace tessaly
