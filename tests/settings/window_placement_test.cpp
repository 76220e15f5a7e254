// The stored placement read back on any screen. Saving on close and a maximized
// window's return are driven through the main window's tests.
#include "settings/window_placement.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/isolated_settings.h"
#include "settings/reg_settings.h"

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
  void Store(const std::string& key, const std::string& value) {
    ASSERT_TRUE(reg.SaveSetting("Window Settings", key, value));
  }

  CRegSettings reg = ApplicationSettings();
};

void ExpectPlacement(const WindowPlacement& p, int state, int left, int top, int width,
                     int height) {
  EXPECT_EQ(p.state, state);
  EXPECT_EQ(p.left, left);
  EXPECT_EQ(p.top, top);
  EXPECT_EQ(p.width, width);
  EXPECT_EQ(p.height, height);
}

TEST_F(WindowPlacementTest, NothingStoredCentresTheDesignedSize) {
  ExpectPlacement(Restore(), 0, 960 - 257, 540 - 173, 515, 346);
  EXPECT_EQ(SplitterPosSetting(0), 0);
}

TEST_F(WindowPlacementTest, MinimizedStartsNormal) {
  SaveSettings({1, 120, 90, 800, 500}, 0, "", "/", 0);
  ExpectPlacement(Restore(), 0, 120, 90, 800, 500);
}

TEST_F(WindowPlacementTest, NonsenseGivesAPlacementOnTheScreen) {
  Store("WinState", "7");
  Store("WinPosX", "-400");
  Store("WinPosY", "wide");
  Store("Width", "1e30");
  Store("Height", "12.6");
  // Off the screen to the left, as wide as the screen, the smallest height, centred.
  ExpectPlacement(Restore(), 0, 0, 540 - 173, kScreenWidth, 346);

  Store("WinState", "2x");
  Store("WinPosX", "5000");
  Store("WinPosY", "3000.4");
  Store("Width", "-5");
  Store("Height", "700.5");
  ExpectPlacement(Restore(), 0, kScreenWidth - 515, kScreenHeight - 701, 515, 701);

  Store("Splitter Pos", "left");
  EXPECT_EQ(SplitterPosSetting(150), 150);
  Store("Splitter Pos", "-20");
  EXPECT_EQ(SplitterPosSetting(150), 150);
}

TEST_F(WindowPlacementTest, AScreenSmallerThanTheWindowKeepsItsSmallestSizeAtTheCorner) {
  SaveSettings({0, 50, 50, 900, 700}, 0, "", "/", 0);
  ExpectPlacement(RestoreWindowPlacement(designed, 400, 300), 0, 0, 0, 515, 346);
}

}  // namespace
}  // namespace tessaly
