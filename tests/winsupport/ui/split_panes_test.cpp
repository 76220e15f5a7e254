#include "winsupport/ui/split_panes.h"

#include <gtest/gtest.h>

#include <QRubberBand>
#include <QTest>

namespace tessaly {
namespace {

class SplitPanesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panes.resize(400, 300);
    panes.SetControls(left, right);
    panes.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panes));
    panes.VSplitter().SetLeft(100);
  }

  QRubberBand* Outline() { return panes.findChild<QRubberBand*>(); }
  // A point of the container in the bar's own coordinates, as the bar is now.
  QPoint OnBar(int containerX) { return panes.Frame4()->mapFrom(&panes, QPoint(containerX, 20)); }

  SplitPanes panes;
  QWidget* left = new QWidget;
  QWidget* right = new QWidget;
};

TEST_F(SplitPanesTest, PanesAndBarFillTheContainerAndKeepTheirProportion) {
  EXPECT_EQ(left->parentWidget(), &panes);
  EXPECT_EQ(right->parentWidget(), &panes);
  EXPECT_EQ(left->geometry(), QRect(0, 0, 100, 300));
  EXPECT_EQ(panes.Frame4()->geometry(), QRect(100, 0, 5, 300));
  EXPECT_EQ(right->geometry(), QRect(105, 0, 295, 300));
  EXPECT_EQ(panes.Frame4()->cursor().shape(), Qt::SizeHorCursor);

  panes.resize(800, 500);
  QCoreApplication::processEvents();
  EXPECT_EQ(left->geometry(), QRect(0, 0, 200, 500));
  EXPECT_EQ(panes.Frame4()->geometry(), QRect(200, 0, 5, 500));
  EXPECT_EQ(right->geometry(), QRect(205, 0, 595, 500));
}

TEST_F(SplitPanesTest, DraggingTheBarMovesThePanes) {
  panes.VSplitter().SetTrackSplit(true);
  QTest::mousePress(panes.Frame4(), Qt::LeftButton, {}, OnBar(100));
  EXPECT_TRUE(panes.VSplitter().Splitting());
  QTest::mouseMove(panes.Frame4(), OnBar(180));
  EXPECT_EQ(left->width(), 180);
  EXPECT_EQ(panes.Frame4()->x(), 180);
  EXPECT_FALSE(Outline()->isVisible());

  QTest::mouseRelease(panes.Frame4(), Qt::LeftButton, {}, OnBar(250));
  EXPECT_FALSE(panes.VSplitter().Splitting());
  EXPECT_EQ(left->geometry(), QRect(0, 0, 250, 300));
  EXPECT_EQ(right->geometry(), QRect(255, 0, 145, 300));

  panes.resize(800, 300);  // the new place is the proportion kept
  QCoreApplication::processEvents();
  EXPECT_EQ(left->width(), 500);
}

TEST_F(SplitPanesTest, OutlineDragMovesThePanesOnRelease) {
  QTest::mousePress(panes.Frame4(), Qt::LeftButton, {}, OnBar(100));
  QTest::mouseMove(panes.Frame4(), OnBar(20));
  EXPECT_TRUE(Outline()->isVisible());
  EXPECT_EQ(Outline()->geometry(), QRect(50, 0, 5, 300));  // stops MinPane from the edge
  EXPECT_EQ(left->width(), 100);

  QTest::mouseRelease(panes.Frame4(), Qt::LeftButton, {}, OnBar(60));
  EXPECT_FALSE(Outline()->isVisible());
  EXPECT_EQ(left->width(), 60);
  EXPECT_EQ(panes.Frame4()->x(), 60);
}

TEST_F(SplitPanesTest, CancelledDragsLeaveThePanesWhereTheyWere) {
  QTest::mousePress(panes.Frame4(), Qt::LeftButton, {}, OnBar(100));
  QTest::mouseMove(panes.Frame4(), OnBar(300));
  panes.VSplitter().CancelSplit();
  EXPECT_FALSE(Outline()->isVisible());
  QTest::mouseRelease(panes.Frame4(), Qt::LeftButton, {}, OnBar(300));
  EXPECT_EQ(left->width(), 100);

  panes.VSplitter().SetTrackSplit(true);
  QTest::mousePress(panes.Frame4(), Qt::LeftButton, {}, OnBar(100));
  QTest::mouseMove(panes.Frame4(), OnBar(300));
  ASSERT_EQ(left->width(), 300);
  panes.VSplitter().CancelSplit();
  QTest::mouseRelease(panes.Frame4(), Qt::LeftButton, {}, OnBar(300));
  EXPECT_EQ(left->geometry(), QRect(0, 0, 100, 300));
  EXPECT_EQ(right->geometry(), QRect(105, 0, 295, 300));
}

}  // namespace
}  // namespace tessaly
