// The drop target and the tray icon, driven through the main window: Shrink, moving
// the window by its picture, its menus, files dropped on it, the tray menus, and the
// desktop without a tray.
#include "shell/ui/drop_target_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "engine/ui/status_window.h"
#include "shell/drop_target.h"
#include "shell/ui/main_window_fixture.h"
#include "shell/ui/tray_icon.h"
#include "support/files.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

// The entries of a menu as "name caption", separators as "-".
QStringList Entries(const QMenu* menu) {
  QStringList entries;
  for (const QAction* entry : menu->actions())
    entries << (entry->isSeparator() ? QStringLiteral("-")
                                     : entry->objectName() + ' ' + entry->text());
  return entries;
}

void SendMouse(QWidget* to, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               const QPoint& global) {
  QMouseEvent event(type, to->mapFromGlobal(QPointF(global)), QPointF(global), button, held,
                    Qt::NoModifier);
  QApplication::sendEvent(to, &event);
}

class DropTargetWindowTest : public MainWindowTest {
 protected:
  DropTargetWindow& Shrink() {
    mainWindow().Action("mnuShr")->trigger();
    DropTargetWindow* target = mainWindow().DropTarget();
    EXPECT_NE(target, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(target));
    return *target;
  }
  void TrayEvent(QSystemTrayIcon::ActivationReason reason) {
    emit mainWindow().Tray().Icon().activated(reason);
  }
};

TEST_F(DropTargetWindowTest, ShrinkShowsATopmostTargetThatMovesOpensItsMenuAndGivesBack) {
  const std::string chosen = Root() + "/chosen";
  std::filesystem::create_directories(chosen);
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(chosen));
  window.setWindowState(Qt::WindowMinimized);  // as a job sent to the background leaves it
  DropTargetWindow& target = Shrink();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(target.windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint));
  EXPECT_TRUE(target.IsTopmost());
  EXPECT_EQ(window.windowTitle(), "Tessaly - Drop Target Mode");
  EXPECT_TRUE(session().job.dropMode);
  EXPECT_EQ(
      target.Picture()->toolTip(),
      "Drag and drop files to here from the file manager to extract. Right click for options.");
  EXPECT_EQ(window.Tray().Owner(), TrayOwner::None) << "offscreen has no tray";

  // Dragged by its picture in small steps: the window follows the pointer.
  QLabel* picture = target.Picture();
  const QPoint start = target.pos();
  QPoint pointer = picture->mapToGlobal(QPoint(10, 10));
  SendMouse(picture, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, pointer);
  for (int step = 0; step < 20; ++step) {
    pointer += QPoint(3, 2);
    SendMouse(picture, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, pointer);
  }
  SendMouse(picture, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, pointer);
  EXPECT_EQ(target.pos(), start + QPoint(60, 40));

  QTest::mouseClick(picture, Qt::RightButton);
  QMenu* menu = target.PopupMenu("iconpopup");
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->defaultAction()->objectName(), "mnurestfull");
  EXPECT_TRUE(menu->defaultAction()->font().bold());
  EXPECT_EQ(
      Entries(menu),
      (QStringList{"mnurestfull &Restore to full size", "IPSysTr &Minimize to System Tray", "-",
                   "mnudestf &Select destination folder", "mnuicoopt &Program options", "-",
                   "ontop &Always on top", "-", "mnuabt A&bout", "mnuicoexit &Exit program"}));
  menu->hide();

  target.Action("ontop")->trigger();
  EXPECT_FALSE(target.IsTopmost());
  target.Action("ontop")->trigger();
  EXPECT_TRUE(target.IsTopmost());

  // Without a tray, Minimize to System Tray is greyed and says why.
  EXPECT_EQ(target.Action("IPSysTr")->toolTip(), kNoSystemTrayText);
  EXPECT_FALSE(target.Action("IPSysTr")->isEnabled());

  script.Then([&](QWidget* chooser) {
    EXPECT_EQ(chooser->windowTitle(), "Extract to...");
    EXPECT_FALSE(target.IsTopmost());
    ClickButton(chooser, "OK");
  });
  target.Action("mnudestf")->trigger();
  EXPECT_TRUE(target.IsTopmost());
  EXPECT_EQ(session().mainWindow.destinationBox.text, chosen + "/");

  QTest::mouseDClick(picture, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  EXPECT_EQ(window.windowTitle().toStdString(), "Tessaly - " + Browse());
  EXPECT_EQ(window.DestinationBox().currentText().toStdString(), chosen + "/");
  EXPECT_FALSE(session().job.dropMode);
  EXPECT_EQ(window.DropTarget(), nullptr);
}

TEST_F(DropTargetWindowTest, DroppedArchivesAreExtractedToTheDestinationBelowTheJobsWindows) {
  Store("General", "Show confirmation", "1");
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(Out()));
  DropTargetWindow& target = Shrink();

  // Only files are taken, over the picture as over the window's edge.
  QMimeData text;
  text.setText(QStringLiteral("not files"));
  for (QWidget* over : {static_cast<QWidget*>(&target), static_cast<QWidget*>(target.Picture())}) {
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(over, &refused);
    EXPECT_FALSE(refused.isAccepted());
  }
  script.Then([&](QWidget* confirmation) {
    EXPECT_EQ(confirmation->windowTitle(), "Confirmation");
    EXPECT_FALSE(target.IsTopmost());
    EXPECT_TRUE(session().job.dropMode);
    ClickButton(confirmation, "Go");
  });
  EXPECT_TRUE(DropFiles(target.Picture(), ArchivesToDrop()));
  QTRY_VERIFY(script.Done());
  EXPECT_EQ(ReadFileText(Out() + "f.txt"), "1");
  EXPECT_EQ(ReadFileText(Out() + "s.txt"), "2");
  EXPECT_TRUE(target.IsTopmost());
  EXPECT_FALSE(session().job.dropMode);
  ASSERT_NE(dialogs().Status(), nullptr);
  EXPECT_EQ(dialogs().Status()->ArchiveLabel()->text().toStdString(), kFinished);
  QTest::mouseClick(dialogs().Status()->CancelButton(), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(DropTargetWindowTest, TrayIconMenusReachEveryWindowAndNoTrayMinimisesInstead) {
  MainWindow& window = Open();
  QAction* toTray = window.Action("mnuST");
  EXPECT_EQ(toTray->toolTip(), kNoSystemTrayText);
  EXPECT_EQ(toTray->statusTip(), kNoSystemTrayText);
  toTray->trigger();
  EXPECT_TRUE(window.isMinimized());
  EXPECT_EQ(window.Tray().Owner(), TrayOwner::None);
  window.showNormal();

  window.Tray().SetAvailability([] { return true; });
  EXPECT_EQ(toTray->toolTip(), "Minimize to System Tray");
  QSystemTrayIcon& icon = window.Tray().Icon();
  const QString browsed = window.windowTitle();
  const struct {
    QSystemTrayIcon::ActivationReason reason;
    const char* entry;  // the menu entry that restores; none for a double click
  } restores[] = {{QSystemTrayIcon::DoubleClick, nullptr},
                  {QSystemTrayIcon::Context, "traymnurest"}};
  for (const auto& row : restores) {
    toTray->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(icon.isVisible());
    EXPECT_EQ(icon.toolTip(), browsed);
    TrayEvent(row.reason);
    if (row.entry != nullptr) {
      QMenu* menu = window.PopupMenu("mnuSystemtray");
      EXPECT_TRUE(menu->isVisible());
      EXPECT_EQ(Entries(menu),
                (QStringList{"traymnurest &Restore", "traymnuex &Exit", "-", "traymnuab &About"}));
      EXPECT_EQ(menu->defaultAction()->objectName(), row.entry);
      menu->hide();
      window.Action(row.entry)->trigger();
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(icon.isVisible());
  }
  script.Then([&](QWidget* about) {
    EXPECT_EQ(about->objectName(), "FrmAbt");
    ClickButton(about, "OK");
  });
  window.Action("traymnuab")->trigger();
  EXPECT_TRUE(script.Done());

  // The drop target's icon: iconpopup while it shows, syspop while it is in the tray.
  DropTargetWindow& target = Shrink();
  EXPECT_EQ(window.Tray().Owner(), TrayOwner::DropTarget);
  EXPECT_EQ(icon.toolTip(), "Tessaly - Drop Target Mode");
  TrayEvent(QSystemTrayIcon::Context);
  EXPECT_TRUE(target.PopupMenu("iconpopup")->isVisible());
  target.PopupMenu("iconpopup")->hide();
  target.Action("IPSysTr")->trigger();
  EXPECT_FALSE(target.isVisible());
  TrayEvent(QSystemTrayIcon::Context);
  QMenu* trayMenu = target.PopupMenu("syspop");
  EXPECT_TRUE(trayMenu->isVisible());
  EXPECT_EQ(Entries(trayMenu), (QStringList{"spRest Restore", "spEx Exit", "-", "spAb About"}));
  EXPECT_EQ(trayMenu->defaultAction()->objectName(), "spRest");
  trayMenu->hide();
  script.Then([&](QWidget* about) {
    EXPECT_EQ(about->parentWidget(), &target);
    ClickButton(about, "OK");
  });
  target.Action("spAb")->trigger();
  script.Then([&](QWidget* options) {
    EXPECT_EQ(options->objectName(), "Form5");
    EXPECT_EQ(options->parentWidget(), &target);
    ClickButton(options, "Cancel");
  });
  target.Action("mnuicoopt")->trigger();
  EXPECT_TRUE(script.Done());
  target.Action("spRest")->trigger();
  EXPECT_TRUE(target.isVisible());
  EXPECT_FALSE(icon.isVisible());
  target.Action("IPSysTr")->trigger();
  TrayEvent(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(target.isVisible());
  EXPECT_EQ(window.Tray().Owner(), TrayOwner::None);

  // Exit of the tray menu ends the program as the main window's closing steps do.
  window.DestinationBox().setEditText(QStringLiteral("/srv/dest"));
  target.Action("spEx")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Stored("General", "Last Used Destination Folder"), "/srv/dest");
  EXPECT_EQ(window.DropTarget(), nullptr);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(DropTargetWindowTest, StartupModeOneStartsAsTheDropTarget) {
  Store("General", "Startup Mode", "1");
  MainWindow& window = Open();
  EXPECT_FALSE(window.isVisible());
  ASSERT_NE(window.DropTarget(), nullptr);
  EXPECT_TRUE(window.DropTarget()->isVisible());
  EXPECT_EQ(window.windowTitle(), "Tessaly - Drop Target Mode");
  EXPECT_EQ(window.Tray().Owner(), TrayOwner::None);
}

}  // namespace
}  // namespace tessaly::testing
