// The stored placement read back on any screen. Saving on close and a maximized
// window's return are driven through the main window's tests.
#include "settings/window_placement.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/isolated_settings.h"

namespace tessaly {
namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

class WindowPlacementTest : public testing::IsolatedSettingsTest {
 protected:
  // The window as designed: its size is also the smallest it may have.
  const WindowPlacement designed{0, 0, 0, 515, 346};

  WindowPlacement Restore() const {
    return RestoreWindowPlacement(designed, kScreenWidth, kScreenHeight);
  }
};

void ExpectPlacement(const WindowPlacement& p, int state, int left, int top, int width,
                     int height) {
  EXPECT_EQ(p.state, state);
  EXPECT_EQ(p.left, left);
  EXPECT_EQ(p.top, top);
  EXPECT_EQ(p.width, width);
  EXPECT_EQ(p.height, height);
}

TEST_F(WindowPlacementTest, NothingStoredCentresAComfortableSize) {
  struct Row {
    int screenWidth, screenHeight;
    int left, top, width, height;
  };
  const Row rows[] = {
      {1920, 1080, 320, 180, 1280, 720},  // two thirds of the screen
      {1024, 768, 62, 84, 900, 600},      // at least 900 x 600
      {800, 600, 0, 0, 800, 600},         // as much as the screen has
      {400, 300, 0, 0, 515, 346},         // never below the designed size
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.screenWidth);
    ExpectPlacement(RestoreWindowPlacement(designed, row.screenWidth, row.screenHeight), 0,
                    row.left, row.top, row.width, row.height);
  }
  EXPECT_EQ(SplitterPosSetting(0), 0);
}

TEST_F(WindowPlacementTest, MinimizedStartsNormal) {
  SaveSettings({1, 120, 90, 800, 500}, 0, "", "/", 0);
  ExpectPlacement(Restore(), 0, 120, 90, 800, 500);
}

// A window closed maximized starts maximized, where the window manager may make it so
// before or after the splitter is placed, and is then restored: three rounds of it.
TEST_F(WindowPlacementTest, TheSplitterPosGivesBackItsProportionInEitherState) {
  constexpr int kNormal = 540;
  constexpr int kMaximized = 1260;
  int left = 229;  // in the maximized container
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    SaveSettings({2, 30, 40, 560, 400}, 0, "", "/", SplitterPosToSave(left, kMaximized, kNormal));
    EXPECT_EQ(SplitterPosSetting(0), 98);
    for (const int startWidth : {kNormal, kMaximized}) {
      const int started = SplitterLeftFromSaved(SplitterPosSetting(0), kNormal, startWidth);
      EXPECT_NEAR(started, 229.0 * startWidth / kMaximized, 0.5) << startWidth;
    }
    left = SplitterLeftFromSaved(SplitterPosSetting(0), kNormal, kMaximized);
  }
  // A window closed in its normal state keeps the position as it is.
  EXPECT_EQ(SplitterPosToSave(150, kNormal, kNormal), 150);
  EXPECT_EQ(SplitterLeftFromSaved(150, kNormal, kNormal), 150);
}

TEST_F(WindowPlacementTest, AScreenSmallerThanTheWindowKeepsItsSmallestSizeAtTheCorner) {
  SaveSettings({0, 50, 50, 900, 700}, 0, "", "/", 0);
  ExpectPlacement(RestoreWindowPlacement(designed, 400, 300), 0, 0, 0, 515, 346);
}

}  // namespace
}  // namespace tessaly
