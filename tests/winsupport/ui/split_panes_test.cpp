#include "winsupport/ui/split_panes.h"

#include <gtest/gtest.h>

#include <QRubberBand>
#include <QTest>
#include <QWindow>
#include <functional>

namespace tessaly {
namespace {

class SplitPanesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panes.resize(400, 300);
    panes.SetControls(left, right);
    panes.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panes));
    panes.Geometry().SetLeft(100);
  }

  QRubberBand* Outline() { return panes.findChild<QRubberBand*>(); }

  // The mouse and keys as a user's reach the window: a press takes the mouse for the
  // control under it until the release. x is in the container, which is the window.
  QWindow* Window() { return panes.windowHandle(); }
  void Press(int x) { QTest::mousePress(Window(), Qt::LeftButton, {}, QPoint(x, 20)); }
  void Release(int x) { QTest::mouseRelease(Window(), Qt::LeftButton, {}, QPoint(x, 20)); }
  // 2-pixel steps from x to x + distance; check runs after every step.
  void MoveBy(int x, int distance, const std::function<void(int x)>& check = nullptr) {
    const int step = distance < 0 ? -2 : 2;
    for (int moved = 0; moved != distance; moved += step) {
      QTest::mouseMove(Window(), QPoint(x + moved + step, 20));
      if (check) check(x + moved + step);
    }
  }
  void Escape() { QTest::keyClick(Window(), Qt::Key_Escape); }

  SplitPanes panes;
  QWidget* left = new QWidget;
  QWidget* right = new QWidget;
};

// Rows: the panes follow the mouse, or an outline does until the release.
TEST_F(SplitPanesTest, ADragFollowsEveryMoveAndEndsOnTheRelease) {
  for (const bool tracking : {true, false}) {
    SCOPED_TRACE(tracking ? "tracking" : "outline");
    panes.Geometry().SetLeft(100);
    panes.Geometry().SetTrackSplit(tracking);
    Press(102);  // the bar jumps to where it was taken
    ASSERT_TRUE(panes.Geometry().Splitting());
    MoveBy(102, 160, [&](int x) {
      if (tracking) {
        ASSERT_EQ(left->width(), x);
        ASSERT_EQ(panes.Bar()->x(), x);
      } else {
        ASSERT_EQ(Outline()->x(), x);
        ASSERT_EQ(left->width(), 100);
      }
    });
    EXPECT_EQ(Outline()->isVisible(), !tracking);

    Release(262);
    EXPECT_FALSE(panes.Geometry().Splitting());
    EXPECT_FALSE(Outline()->isVisible());
    EXPECT_EQ(left->geometry(), QRect(0, 0, 262, 300));
    EXPECT_EQ(right->geometry(), QRect(267, 0, 133, 300));

    // The drag is over: neither the mouse nor Escape moves the bar any more.
    MoveBy(262, -40);
    Escape();
    EXPECT_EQ(panes.Geometry().Left(), 262);
    EXPECT_EQ(left->width(), 262);
  }

  panes.resize(800, 300);  // the new place is the proportion kept
  QCoreApplication::processEvents();
  EXPECT_EQ(left->width(), 524);
}

TEST_F(SplitPanesTest, EscapeDuringADragLeavesThePanesWhereTheyWere) {
  for (const bool tracking : {true, false}) {
    SCOPED_TRACE(tracking ? "tracking" : "outline");
    panes.Geometry().SetTrackSplit(tracking);
    Press(102);
    MoveBy(102, 200);
    ASSERT_EQ(panes.Geometry().Left(), 302);
    Escape();
    EXPECT_FALSE(panes.Geometry().Splitting());
    EXPECT_FALSE(Outline()->isVisible());
    Release(302);
    EXPECT_EQ(left->geometry(), QRect(0, 0, 100, 300));
    EXPECT_EQ(right->geometry(), QRect(105, 0, 295, 300));
  }
}

}  // namespace
}  // namespace tessaly
