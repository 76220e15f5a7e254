#include "winsupport/vsplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly {
namespace {

struct HostCall {
  std::string what;
  SplitRect rect;
  bool operator==(const HostCall&) const = default;
};

// Keeps the windows' places the way the real ones would, and records every call.
class RecordingHost : public SplitterHost {
 public:
  int clientWidth = 400;
  int clientHeight = 300;
  int barLeft = 100;
  SplitterMetrics metrics = kDesktopSplitterMetrics;
  bool leftPaneEdged = false;
  bool dragAllowed = true;

  SplitRect leftPane, rightPane, bar;
  std::vector<SplitRect> visibleOutlines;
  std::vector<HostCall> calls;
  bool dragging = false;

  int ContainerClientWidth() const override { return clientWidth; }
  int ContainerClientHeight() const override { return clientHeight; }
  int BarLeft() const override { return barLeft; }
  SplitterMetrics Metrics() const override { return metrics; }
  bool LeftPaneHasEdgeAndBorder() const override { return leftPaneEdged; }
  void PrepareBar() override { calls.push_back({"prepare", {}}); }
  void MoveLeftPane(const SplitRect& rect, bool) override {
    leftPane = rect;
    calls.push_back({"left", rect});
  }
  void MoveRightPane(const SplitRect& rect, bool) override {
    rightPane = rect;
    calls.push_back({"right", rect});
  }
  void MoveBar(const SplitRect& rect, bool) override {
    bar = rect;
    barLeft = rect.left;
    calls.push_back({"bar", rect});
  }
  void DrawOutline(const SplitRect& rect) override {
    visibleOutlines.push_back(rect);
    calls.push_back({"draw", rect});
  }
  void EraseOutline(const SplitRect& rect) override {
    calls.push_back({"erase", rect});
    for (auto it = visibleOutlines.begin(); it != visibleOutlines.end(); ++it) {
      if (*it == rect) {
        visibleOutlines.erase(it);
        return;
      }
    }
    ADD_FAILURE() << "erased an outline that was not drawn at " << rect.left;
  }
  bool BeginDrag() override {
    dragging = dragAllowed;
    return dragAllowed;
  }
  void EndDrag() override { dragging = false; }

  int PaneMoves() const {
    int count = 0;
    for (const auto& call : calls) count += call.what == "left" || call.what == "right";
    return count;
  }
};

class VSplitterTest : public ::testing::Test {
 protected:
  // A 400 x 300 container with the bar at 100, laid out once.
  void SetUp() override {
    splitter.SetControls(&host);
    splitter.AdjustSplitterPosition(true);
    host.calls.clear();
  }

  RecordingHost host;
  CVSplitterWnd splitter;
};

TEST_F(VSplitterTest, MetricsGiveBarWidthAndSmallestPane) {
  EXPECT_EQ(splitter.Width(), 5);
  EXPECT_EQ(splitter.MinPane(), 50);

  RecordingHost other;
  other.metrics = {4, 1, 112};
  CVSplitterWnd narrow;
  narrow.SetControls(&other);
  EXPECT_EQ(narrow.Width(), 3);
  EXPECT_EQ(narrow.MinPane(), (112 - (2 * 4 + 3)) / 2);

  CVSplitterWnd preset;
  preset.SetWidth(9);
  preset.SetControls(&other);
  EXPECT_EQ(preset.Width(), 9);
  EXPECT_EQ(preset.MinPane(), (112 - (2 * 4 + 9)) / 2);
}

TEST_F(VSplitterTest, FirstLayoutTakesTheBarsPlaceAndPlacesAllThree) {
  EXPECT_EQ(splitter.Left(), 100);
  EXPECT_EQ(host.leftPane, (SplitRect{0, 0, 100, 300}));
  EXPECT_EQ(host.bar, (SplitRect{100, 0, 5, 300}));
  EXPECT_EQ(host.rightPane, (SplitRect{105, 0, 295, 300}));
}

TEST_F(VSplitterTest, ResizeKeepsTheProportion) {
  host.clientWidth = 800;
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(splitter.Left(), 200);
  EXPECT_EQ(host.leftPane, (SplitRect{0, 0, 200, 300}));
  EXPECT_EQ(host.rightPane, (SplitRect{205, 0, 595, 300}));

  host.clientWidth = 120;  // too narrow for the proportion: the left pane keeps MinPane
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(splitter.Left(), 50);

  host.clientWidth = 400;  // the proportion survives the narrow spell
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(splitter.Left(), 100);
}

TEST_F(VSplitterTest, TopHeightOffsetAndEdgeShapeThePanes) {
  splitter.SetTop(10);
  splitter.SetHeightOffset(20);
  EXPECT_EQ(host.leftPane, (SplitRect{0, 10, 100, 270}));
  EXPECT_EQ(host.bar, (SplitRect{100, 10, 5, 270}));

  host.calls.clear();
  splitter.SetHeightOffset(295);  // nothing is left below Top: the panes stay
  EXPECT_EQ(host.PaneMoves(), 0);

  RecordingHost edged;
  edged.leftPaneEdged = true;
  CVSplitterWnd splitter2;
  splitter2.SetControls(&edged);
  splitter2.AdjustSplitterPosition(true);
  EXPECT_EQ(edged.leftPane, (SplitRect{0, 0, 101, 300}));
  EXPECT_EQ(edged.rightPane, (SplitRect{104, 0, 296, 300}));
}

TEST_F(VSplitterTest, ThePaneThatShrinksMovesFirst) {
  splitter.SetLeft(150);
  ASSERT_EQ(host.calls.size(), 3u);
  EXPECT_EQ(host.calls[0].what, "right");
  EXPECT_EQ(host.calls[1].what, "bar");
  EXPECT_EQ(host.calls[2].what, "left");

  host.calls.clear();
  splitter.SetLeft(120);
  ASSERT_EQ(host.calls.size(), 3u);
  EXPECT_EQ(host.calls[0].what, "left");
  EXPECT_EQ(host.calls[2].what, "right");
}

TEST_F(VSplitterTest, LeftAndPercentAreTakenAtTheCurrentWidth) {
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

TEST_F(VSplitterTest, TrackingDragMovesPanesAndStopsShortOfEitherEnd) {
  splitter.SetTrackSplit(true);
  splitter.BeginSplit(2, 5);
  EXPECT_TRUE(splitter.Splitting());
  EXPECT_TRUE(host.dragging);
  EXPECT_EQ(splitter.Left(), 102);

  splitter.MoveSplitter(-1000, 5);
  EXPECT_EQ(splitter.Left(), 50);
  EXPECT_EQ(host.leftPane.width, 50);
  splitter.MoveSplitter(1000, 5);
  EXPECT_EQ(splitter.Left(), 400 - (5 + 50));
  EXPECT_EQ(host.rightPane, (SplitRect{350, 0, 50, 300}));

  splitter.EndSplit(-45, 5, true);  // relative to the bar, now at 345
  EXPECT_FALSE(splitter.Splitting());
  EXPECT_FALSE(host.dragging);
  EXPECT_EQ(splitter.Left(), 300);
  EXPECT_EQ(host.bar.left, 300);
  EXPECT_TRUE(host.visibleOutlines.empty());

  host.clientWidth = 800;  // the dragged place is the new proportion
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(splitter.Left(), 600);
}

TEST_F(VSplitterTest, OutlineDragMovesOnlyTheOutlineUntilRelease) {
  splitter.BeginSplit(0, 0);
  EXPECT_EQ(host.visibleOutlines, (std::vector<SplitRect>{{100, 0, 5, 300}}));
  splitter.MoveSplitter(60, 0);
  splitter.MoveSplitter(-80, 0);
  EXPECT_EQ(host.visibleOutlines, (std::vector<SplitRect>{{50, 0, 5, 300}}));
  EXPECT_EQ(host.PaneMoves(), 0);
  EXPECT_EQ(host.bar.left, 100);

  splitter.EndSplit(90, 0, true);
  EXPECT_TRUE(host.visibleOutlines.empty());
  EXPECT_EQ(splitter.Left(), 190);
  EXPECT_EQ(host.leftPane.width, 190);
}

TEST_F(VSplitterTest, CancelledOutlineDragLeavesNoTrace) {
  splitter.BeginSplit(0, 0);
  splitter.MoveSplitter(150, 0);
  splitter.CancelSplit();
  EXPECT_FALSE(splitter.Splitting());
  EXPECT_FALSE(host.dragging);
  EXPECT_TRUE(host.visibleOutlines.empty());
  EXPECT_EQ(host.PaneMoves(), 0);
  EXPECT_EQ(splitter.Left(), 100);

  splitter.MoveSplitter(10, 0);  // the rest of the gesture after Esc does nothing
  splitter.EndSplit(10, 0, true);
  EXPECT_EQ(host.PaneMoves(), 0);

  host.clientWidth = 800;  // nor does the cancelled place come back on the next layout
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(splitter.Left(), 200);
}

TEST_F(VSplitterTest, CancelledTrackingDragPutsThePanesBack) {
  splitter.SetTrackSplit(true);
  splitter.BeginSplit(3, 0);
  splitter.MoveSplitter(100, 0);
  ASSERT_EQ(host.leftPane.width, 200);
  splitter.CancelSplit();
  EXPECT_FALSE(splitter.Splitting());
  EXPECT_EQ(splitter.Left(), 100);
  EXPECT_EQ(host.leftPane, (SplitRect{0, 0, 100, 300}));
  EXPECT_EQ(host.bar.left, 100);
  EXPECT_EQ(host.rightPane, (SplitRect{105, 0, 295, 300}));
}

TEST_F(VSplitterTest, RefusedMouseLeavesTheSplitterIdle) {
  host.dragAllowed = false;
  splitter.BeginSplit(10, 0);
  EXPECT_FALSE(splitter.Splitting());
  EXPECT_TRUE(host.visibleOutlines.empty());
  EXPECT_EQ(splitter.Left(), 100);
}

TEST(VSplitterWithoutContainer, DoesNothing) {
  CVSplitterWnd splitter;
  splitter.SetLeft(100);
  splitter.AdjustSplitterPosition(true);
  splitter.BeginSplit(5, 5);
  EXPECT_FALSE(splitter.Splitting());
  EXPECT_EQ(splitter.Percent(), 0);
  splitter.SetPercent(50);
  EXPECT_EQ(splitter.Left(), 100);

  RecordingHost host;
  splitter.SetControls(&host);
  splitter.SetControls(nullptr);
  host.calls.clear();
  splitter.SetLeft(120);
  splitter.BeginSplit(0, 0);
  EXPECT_TRUE(host.calls.empty());
}

TEST(VSplitterWithoutWidth, WaitsForTheContainerToGetOne) {
  RecordingHost host;
  host.clientWidth = 0;
  CVSplitterWnd splitter;
  splitter.SetControls(&host);
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(host.PaneMoves(), 0);

  host.clientWidth = 400;
  splitter.AdjustSplitterPosition(true);
  EXPECT_EQ(splitter.Left(), 100);
  EXPECT_EQ(host.rightPane.width, 295);
}

}  // namespace
}  // namespace tessaly
