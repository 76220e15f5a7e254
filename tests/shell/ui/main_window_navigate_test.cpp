// The main window's navigation: the favourites and their dialog, the last destination,
// one level up, the folder as destination; and every entry of the menus and the toolbar
// runs a command or waits, disabled, for one.
#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QToolBar>
#include <filesystem>

#include "platform/ui/folder_tree.h"
#include "shell/ui/favourites_dialog.h"
#include "shell/ui/main_window_fixture.h"
#include "winsupport/menu_icons.h"

namespace tessaly::testing {
namespace {

// QObject::receivers is protected; a pointer to it formed through a subclass may ask
// it of any object.
struct SignalProbe : QObject {
  static int Triggered(const QAction* action) {
    return (action->*(&SignalProbe::receivers))(SIGNAL(triggered(bool)));
  }
};

QString Caption(MainWindow& window, int slot) {
  QAction* entry = window.Action(QStringLiteral("favs%1").arg(slot));
  return entry->isVisible() ? entry->text() : QString();
}

TEST_F(MainWindowTest, FavouritesAreAddedOpenedAndEditedInTheirDialog) {
  for (const char* folder : {"one", "two", "two/deep"})
    std::filesystem::create_directories(Browse() + folder);
  const QString one = QString::fromStdString(Browse() + "one/");
  const QString two = QString::fromStdString(Browse() + "two/");
  Store("Favorite Folders", "folder0", one.toStdString());
  MainWindow& window = Open();
  EXPECT_EQ(Caption(window, 0), "1.  " + one);
  EXPECT_EQ(Caption(window, 1), "");

  window.Tree().SelectFolder(two + "deep");
  script.Then(Answer("Added", "\"" + Browse() + "two/deep\" has been added to your favorites list.",
                     QMessageBox::NoIcon));
  window.Action("folderAddFav")->trigger();
  EXPECT_EQ(Caption(window, 1), "2.  " + two + "deep/");
  window.Action("favs0")->trigger();
  EXPECT_EQ(window.Tree().SelectedPath(), one);

  // Add from the dialog's tree one level up, Remove, then Done.
  script.Then([&](QWidget* modal) {
    auto* dialog = qobject_cast<FavouritesDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Edit Favorite Folders");
    EXPECT_EQ(dialog->Tree()->SelectedPath(), one);
    dialog->Tree()->SelectFolder(two + "deep");
    QTest::mouseClick(dialog->UpButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->Tree()->SelectedPath(), two);
    QTest::mouseClick(dialog->AddButton(), Qt::LeftButton);
    QListWidget& list = *dialog->List();
    ASSERT_EQ(list.count(), 3);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(0)).center());
    QTest::mouseClick(dialog->RemoveButton(), Qt::LeftButton);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.currentRow(), 0);
    QTest::mouseClick(dialog->DoneButton(), Qt::LeftButton);
  });
  window.Action("mnuEdfavs")->trigger();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(Caption(window, 0), "&1.  " + two + "deep/");
  EXPECT_EQ(Caption(window, 1), "&2.  " + two);
  EXPECT_EQ(Caption(window, 2), "");
  EXPECT_EQ(Stored("Favorite Folders", "folder1"), two.toStdString());

  // Cancel keeps the stored list and the menu, whatever was done in the dialog.
  script.Then([](QWidget* modal) {
    auto* dialog = qobject_cast<FavouritesDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->List()->setCurrentRow(0);
    QTest::mouseClick(dialog->RemoveButton(), Qt::LeftButton);
    QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
  });
  window.Action("mnuEdfavs")->trigger();
  EXPECT_EQ(Caption(window, 0), "&1.  " + two + "deep/");
  EXPECT_EQ(Stored("Favorite Folders", "folder0"), Browse() + "two/deep/");
}

TEST_F(MainWindowTest, UpOneLevelLastDestinationAndTheFolderAsDestination) {
  std::filesystem::create_directories(Browse() + "in/deeper");
  Store("General", "Last Used Destination Folder", Browse() + "in/deeper/");
  MainWindow& window = Open();
  const auto selected = [&] { return window.Tree().SelectedPath().toStdString(); };

  window.Action("mnuLast")->trigger();
  EXPECT_EQ(selected(), Browse() + "in/deeper/");
  window.Action("folderDest")->trigger();
  EXPECT_EQ(window.DestinationBox().currentText().toStdString(), Browse() + "in/deeper/");
  EXPECT_EQ(session().mainWindow.destinationBox.text, Browse() + "in/deeper/");

  window.Action("mnuUpLvl")->trigger();
  EXPECT_EQ(selected(), Browse() + "in/");
  std::filesystem::create_directories(Browse() + "in/fresh");
  window.Action("mnuRef")->trigger();
  EXPECT_EQ(window.Tree().model()->rowCount(window.Tree().currentIndex()), 2) << "Refresh rereads";
  QToolBar* toolbar = window.findChild<QToolBar*>("Toolbar1");
  QTest::mouseClick(toolbar->widgetForAction(window.Action("uplevel")), Qt::LeftButton);
  EXPECT_EQ(selected(), Browse());
  window.Action("mnuDest")->trigger();
  EXPECT_EQ(window.DestinationBox().currentText().toStdString(), Browse());
}

TEST_F(MainWindowTest, EveryEntryAndButtonRunsACommand) {
  MainWindow& window = Open();
  // A menu or a toolbar listens to each of its entries itself; an entry that runs a
  // command has one more listener.
  QMenu plainMenu;
  const int menuOwn = SignalProbe::Triggered(plainMenu.addAction("plain"));
  QToolBar plainBar;
  const int barOwn = SignalProbe::Triggered(plainBar.addAction("plain"));

  QList<QAction*> entries = window.menuBar()->actions();
  entries += window.PopupMenu("fpop")->actions();
  entries += window.PopupMenu("folderPop")->actions();
  entries += window.PopupMenu("mnuSystemtray")->actions();
  QSet<QString> seen;
  while (!entries.isEmpty()) {
    QAction* entry = entries.takeFirst();
    if (entry->isSeparator()) continue;
    if (QMenu* menu = entry->menu()) {
      entries += menu->actions();
      continue;
    }
    const QString name = entry->objectName();
    SCOPED_TRACE(name.toStdString());
    seen.insert(name);
    EXPECT_GT(SignalProbe::Triggered(entry), menuOwn);
  }
  // Every entry of the five menus, the Favorites sub-menu, the two pop-ups and the
  // tray menu.
  EXPECT_EQ(seen.size(), 57);

  // A button runs its entry's command.
  for (QAction* button : window.findChild<QToolBar*>("Toolbar1")->actions()) {
    if (button->isSeparator()) continue;
    const QString command =
        QString::fromStdString(ToolbarCommandFor(button->objectName().toStdString()));
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_GT(SignalProbe::Triggered(button), barOwn);
    EXPECT_GT(SignalProbe::Triggered(window.Action(command)), menuOwn);
  }
}

}  // namespace
}  // namespace tessaly::testing
