// The splitter's geometry without windows. Drags with the mouse, outline and tracking,
// and their cancelling are driven on the real panes by the split-panes window tests.
#include "winsupport/splitter_geometry.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// Keeps the windows' places the way the real ones would.
class RecordingHost : public SplitterHost {
 public:
  int clientWidth = 400;
  int clientHeight = 300;
  int barLeft = 100;
  bool leftPaneEdged = false;

  SplitRect leftPane, rightPane, bar;
  int paneMoves = 0;

  int ContainerClientWidth() const override { return clientWidth; }
  int ContainerClientHeight() const override { return clientHeight; }
  int BarLeft() const override { return barLeft; }
  SplitterMetrics Metrics() const override { return kDesktopSplitterMetrics; }
  bool LeftPaneHasEdgeAndBorder() const override { return leftPaneEdged; }
  void PrepareBar() override {}
  void MoveLeftPane(const SplitRect& rect, bool) override {
    leftPane = rect;
    ++paneMoves;
  }
  void MoveRightPane(const SplitRect& rect, bool) override {
    rightPane = rect;
    ++paneMoves;
  }
  void MoveBar(const SplitRect& rect, bool) override {
    bar = rect;
    barLeft = rect.left;
  }
  void DrawOutline(const SplitRect&) override {}
  void EraseOutline(const SplitRect&) override {}
  bool BeginDrag() override { return true; }
  void EndDrag() override {}
};

class SplitterGeometryTest : public ::testing::Test {
 protected:
  // A 400 x 300 container with the bar at 100, laid out once.
  void SetUp() override {
    splitter.SetControls(&host);
    splitter.AdjustSplitterPosition(true);
    host.paneMoves = 0;
  }

  RecordingHost host;
  SplitterGeometry splitter;
};

TEST_F(SplitterGeometryTest, TopHeightOffsetAndEdgeShapeThePanes) {
  splitter.SetTop(10);
  splitter.SetHeightOffset(20);
  EXPECT_EQ(host.leftPane, (SplitRect{0, 10, 100, 270}));
  EXPECT_EQ(host.bar, (SplitRect{100, 10, 5, 270}));

  host.paneMoves = 0;
  splitter.SetHeightOffset(295);  // nothing is left below Top: the panes stay
  EXPECT_EQ(host.paneMoves, 0);

  RecordingHost edged;
  edged.leftPaneEdged = true;
  SplitterGeometry edgedSplitter;
  edgedSplitter.SetControls(&edged);
  edgedSplitter.AdjustSplitterPosition(true);
  EXPECT_EQ(edged.leftPane, (SplitRect{0, 0, 101, 300}));
  EXPECT_EQ(edged.rightPane, (SplitRect{104, 0, 296, 300}));
}

TEST_F(SplitterGeometryTest, LeftAndPercentAreTakenAtTheCurrentWidth) {
  EXPECT_EQ(splitter.Percent(), 25);
  splitter.SetPercent(50);
  EXPECT_EQ(splitter.Left(), 200);

  host.clientWidth = 800;
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(splitter.Left(), 400);
  splitter.SetLeft(300);  // meant for 800 pixels, not for the 400 the ratio came from
  EXPECT_EQ(splitter.Left(), 300);
  splitter.SetPercent(10);
  EXPECT_EQ(splitter.Left(), 80);

  splitter.SetLeft(1000);
  EXPECT_EQ(splitter.Left(), 800 - 55);
  EXPECT_EQ(splitter.Percent(), 93);
}

}  // namespace
}  // namespace tessaly
