// The main window on the desktop among other windows: every window whole on the screen,
// the splitter through closes while maximized, and a drag of the splitter by mouse and
// keys as a user's reach the windows.
#include <QDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QWindow>
#include <functional>
#include <string>

#include "inspect/ui/text_viewer_window.h"
#include "platform/ui/help_window.h"
#include "platform/ui/window_on_screen.h"
#include "settings/ui/about_window.h"
#include "settings/ui/options_dialog.h"
#include "settings/window_placement.h"
#include "shell/ui/main_window_fixture.h"
#include "support/files.h"
#include "winsupport/ui/split_panes.h"

namespace tessaly::testing {
namespace {

// The main window at a saved placement larger than the screen, the viewer and Help
// centred on an owner in a corner, and Options and About on screens smaller than they
// are, their OK buttons in reach below the scrolled body.
TEST_F(MainWindowTest, EveryWindowOpensWholeInTheFreeAreaOfItsScreen) {
  for (const char* key : {"WinPosX", "WinPosY"}) Store("Window Settings", key, "0");
  for (const char* key : {"Width", "Height"}) Store("Window Settings", key, "5000");
  MainWindow& window = Open();
  const QRect screen = window.screen()->availableGeometry();
  const std::string text = Root() + "/notes.txt";
  WriteFileText(text, "hello");
  QWidget owner;
  owner.setGeometry(screen.right() - 200, screen.bottom() - 150, 200, 150);
  owner.show();
  OptionsDialog options(session().settings, session().dialogs, &window);
  AboutWindow about(session().dialogs, session().events, &window);
  // Too narrow and too short for Options; tall enough for About but for its wrapped texts.
  const QRect narrow(40, 30, 360, 280), tallEnough(0, 0, 600, 400);
  const auto fitted = [](QWidget& shown, const QRect& area) {
    FitWindowInto(shown, area);
    shown.show();
    return &shown;
  };
  const struct {
    const char* name;
    std::function<QWidget*()> open;
    QRect area;
    bool nearOwner;
  } rows[] = {
      {"main window", [&] { return &window; }, screen, false},
      {"text viewer",
       [&] {
         EXPECT_TRUE(TextViewerWindow::Show(text, &owner));
         return owner.findChild<TextViewerWindow*>();
       },
       screen, true},
      {"help", [&] { return static_cast<QWidget*>(ShowHelpPage(&owner, "index.html")); }, screen,
       true},
      {"options", [&] { return fitted(options, narrow); }, narrow, false},
      {"about",
       [&] {
         about.setModal(false);  // no modal driver here
         return fitted(about, tallEnough);
       },
       tallEnough, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* shown = row.open();
    ASSERT_TRUE(shown != nullptr && QTest::qWaitForWindowExposed(shown));
    const QRect frame = shown->frameGeometry();
    EXPECT_TRUE(row.area.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    // As near the owner's centre as the screen allows: against its right and bottom edges.
    if (row.nearOwner) {
      EXPECT_EQ(frame.bottomRight(), screen.bottomRight());
    }
    if (row.area == screen) continue;
    auto* ok = shown->findChild<QPushButton*>("Command3");
    auto* scroll = shown->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_FALSE(scroll->isAncestorOf(ok));
    EXPECT_TRUE(shown->rect().contains(QRect(ok->mapTo(shown, QPoint()), ok->size())));
  }
}

TEST_F(MainWindowTest, TheSplitterKeepsItsProportionThroughClosesWhileMaximized) {
  Open();
  const auto container = [this] { return mainWindow().Panes().contentsRect().width(); };
  const auto left = [this] { return mainWindow().Panes().Geometry().Left(); };
  const auto changeState = [this](int state) {
    const int widthBefore = mainWindow().width();
    mainWindow().SetWindowState(state);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mainWindow().width() != widthBefore; }));
  };
  mainWindow().setGeometry(30, 40, 560, 400);
  ASSERT_TRUE(QTest::qWaitFor([&] { return mainWindow().width() == 560; }));
  const int normalContainer = container();
  changeState(kWindowMaximized);
  const double proportion = static_cast<double>(left()) / container();

  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    CloseWindow();
    EXPECT_EQ(Stored("Window Settings", "WinState"), "2");
    // Saved for the width it is restored to, and the same again every round.
    EXPECT_NEAR(std::stoi(Stored("Window Settings", "Splitter Pos")), proportion * normalContainer,
                1.0);

    Open();
    EXPECT_EQ(mainWindow().WindowState(), kWindowMaximized);
    EXPECT_NEAR(left(), proportion * container(), 1.0);
    changeState(kWindowNormal);
    EXPECT_EQ(mainWindow().geometry(), QRect(30, 40, 560, 400));
    EXPECT_NEAR(left(), proportion * normalContainer, 1.0);
    changeState(kWindowMaximized);
  }
}

// Another window of the program (the Status window, say) keeps its own keys.
TEST_F(MainWindowTest, ASplitterDragEndsOnTheReleaseAndTakesOnlyItsOwnWindowsEscape) {
  MainWindow& window = Open();
  const SplitterGeometry& splitter = window.Panes().Geometry();
  QWindow* mainWindow = window.windowHandle();
  const int before = splitter.Left();
  // Takes the bar 2 pixels into it and moves 2 pixels at a time; gives where it ends.
  const auto drag = [&](int steps) {
    const QPoint start = window.Panes().Bar()->mapTo(&window, QPoint(2, 20));
    QTest::mousePress(mainWindow, Qt::LeftButton, {}, start);
    for (int step = 1; step <= steps; ++step) {
      QTest::mouseMove(mainWindow, start + QPoint(2 * step, 0));
    }
    return start + QPoint(2 * steps, 0);
  };

  QPoint at = drag(30);
  ASSERT_TRUE(splitter.Splitting());
  EXPECT_EQ(splitter.Left(), before + 62);
  QDialog other;
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  QTest::keyClick(other.windowHandle(), Qt::Key_Escape);
  EXPECT_FALSE(other.isVisible()) << "Escape closes the window it was pressed in";
  EXPECT_TRUE(splitter.Splitting());

  QTest::mouseRelease(mainWindow, Qt::LeftButton, {}, at);
  EXPECT_FALSE(splitter.Splitting());
  QTest::keyClick(mainWindow, Qt::Key_Escape);
  EXPECT_EQ(splitter.Left(), before + 62);

  at = drag(10);
  ASSERT_EQ(splitter.Left(), before + 84);
  QTest::keyClick(mainWindow, Qt::Key_Escape);
  EXPECT_FALSE(splitter.Splitting());
  EXPECT_EQ(splitter.Left(), before + 62);
  QTest::mouseRelease(mainWindow, Qt::LeftButton, {}, at);
  EXPECT_EQ(splitter.Left(), before + 62);
}

}  // namespace
}  // namespace tessaly::testing
