// The main window on a temporary settings file and folder: start-up, the list, the command
// states, closing and Exit, and its help.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/ui/folder_tree.h"
#include "platform/ui/help_window.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/main_window_fixture.h"
#include "support/files.h"
#include "winsupport/ui/split_panes.h"

namespace tessaly::testing {
namespace {

// A first start has no settings file yet.
TEST_F(MainWindowTest, FirstStartShowsZipFilesInTheWorkingFolderCentredAtAComfortableSize) {
  std::filesystem::remove(SettingsFile());
  script.Then([](QWidget* welcome) {
    EXPECT_EQ(welcome->objectName(), "FrmIntro");
    EXPECT_EQ(welcome->windowTitle(), "Welcome...");
    ClickButton(welcome, "OK");
  });
  MainWindow& window = Open();

  EXPECT_EQ(window.FileTypeFilter().currentText(), "Zip Files");
  EXPECT_EQ(window.Tree().SelectedPath().toStdString(), Browse());
  EXPECT_EQ(window.windowTitle().toStdString(), "Tessaly - " + Browse());
  EXPECT_EQ(window.DestinationBox().count(), 0);
  EXPECT_EQ(window.StatusPanelText(2), "0 File(s) Selected.");
  EXPECT_TRUE(window.StatusPanelText(1).contains("Brindlemoor"));
  EXPECT_EQ(window.Action("favs0")->text(), "(Empty)");
  EXPECT_FALSE(window.Action("favs0")->isEnabled());
  EXPECT_FALSE(window.Action("favs1")->isVisible());
  EXPECT_EQ(Stored("General", "Show confirmation"), "1");

  const QRect screen = window.screen()->availableGeometry();
  // Frame and all within the screen: smaller by the frame where the screen is small.
  EXPECT_GE(window.width(), std::min(900, screen.width() - 16));
  EXPECT_GE(window.height(), std::min(600, screen.height() - 40));
  EXPECT_TRUE(screen.contains(window.frameGeometry()));
  // Centred, give or take what the window's frame shifts.
  EXPECT_LE(std::abs(window.frameGeometry().center().x() - screen.center().x()), 8);
  EXPECT_LE(std::abs(window.frameGeometry().center().y() - screen.center().y()), 8);
  // The folder tree has its designed third of the wider window.
  EXPECT_NEAR(window.Panes().Geometry().Left(), window.Panes().contentsRect().width() / 3.0, 2.0);
  // Never smaller than the design size.
  window.resize(200, 100);
  EXPECT_GE(window.width(), 515);
  EXPECT_GE(window.height(), 346);
}

TEST_F(MainWindowTest, ListsFoldersFirstThenMatchingArchivesAndFollowsTheFilter) {
  std::filesystem::create_directories(Browse() + "b");
  std::filesystem::create_directories(Browse() + "A");
  WriteFileText(Browse() + "z.zip", "");
  WriteFileText(Browse() + "a.zip", "");
  WriteFileText(Browse() + "notes.txt", "");
  MainWindow& window = Open();
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"A", "b", "a.zip", "z.zip"}));
  EXPECT_TRUE(window.FileList().SelectedRows().empty());

  window.FileTypeFilter().setCurrentIndex(5);
  emit window.FileTypeFilter().activated(5);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"A", "b", "a.zip", "notes.txt", "z.zip"}));
  EXPECT_EQ(mainWindow().browser().filePattern, "*.*");
  EXPECT_EQ(Stored("General", "Show File Type"), "5");  // kept even if the program is killed

  WriteFileText(Browse() + "new.zip", "");
  EXPECT_EQ(window.Action("refresh")->toolTip(), "Refresh file list");
  window.Action("refresh")->trigger();
  EXPECT_EQ(RowOf("new.zip"), 3);

  // Typing selects the first item that starts with what was typed.
  QTest::keyClicks(&window.FileList(), "No");
  EXPECT_EQ(window.FileList().SelectedRows(), std::vector<int>{RowOf("notes.txt")});
  QTest::qWait(QApplication::keyboardInputInterval() + 50);
  QTest::keyClick(&window.FileList(), Qt::Key_Z);
  EXPECT_EQ(window.FileList().SelectedRows(), std::vector<int>{RowOf("z.zip")});
  EXPECT_EQ(window.StatusPanelText(2), "1 File(s) Selected.");

  // Header clicks sort (folders stay first), the second reverses; a refresh keeps the order
  // and the selection follows its item.
  QHeaderView* header = window.FileList().header();
  const QPoint nameHeader(header->sectionViewportPosition(0) + 5, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
  const std::vector<std::string> reversed = {"b", "A", "z.zip", "notes.txt", "new.zip", "a.zip"};
  EXPECT_EQ(ListTexts(), reversed);
  EXPECT_EQ(window.FileList().SelectedRows(), std::vector<int>{2});
  window.Action("refresh")->trigger();
  EXPECT_EQ(ListTexts(), reversed);
}

TEST_F(MainWindowTest, TheSetNoticeShowsForASetTypeOnlyAfterStartUp) {
  Store("General", "Show File Type", "2");
  MainWindow& window = Open();
  EXPECT_EQ(window.FileTypeFilter().currentText(), "Rar Files");

  script.Then([](QWidget* notice) {
    EXPECT_EQ(notice->windowTitle(), "Important Message");
    ClickButton(notice, "OK");
  });
  window.FileTypeFilter().setCurrentIndex(3);
  emit window.FileTypeFilter().activated(3);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(mainWindow().browser().filePattern, "*.ace");
}

// The enable table itself is the selection-state tests' part; here its binding.
TEST_F(MainWindowTest, CommandsFollowTheKindOfSelection) {
  Store("General", "Show File Type", "5");
  std::filesystem::create_directories(Browse() + "A");
  WriteFileText(Browse() + "a.zip", "");
  WriteFileText(Browse() + "c.rar", "");
  WriteFileText(Browse() + "z.zip", "");
  MainWindow& window = Open();

  const char* selectionCommands[] = {"mnuEx",   "fpopEx",    "mnuZC",   "fpopZC",  "mnuSi",
                                     "fpopSI",  "mnulaunch", "fpopLa",  "mnuProp", "fpopPr",
                                     "mnuren",  "fpopRen",   "mnuCopy", "fpopCpy", "mnuMov",
                                     "fpopMov", "mnuDel",    "fpopDe"};
  auto enabledSet = [&] {
    std::vector<std::string> on;
    for (const char* name : selectionCommands) {
      if (Enabled(name)) on.push_back(name);
    }
    return on;
  };

  EXPECT_FALSE(Enabled("mnuEx"));
  EXPECT_FALSE(window.PerArchiveFolderBox().isEnabled());
  // The big Extract button looks as File > Extract does, and a click on it then does
  // nothing (a question would fail the test).
  EXPECT_FALSE(window.ExtractButton().isEnabled());
  QTest::mouseClick(&window.ExtractButton(), Qt::LeftButton);

  ClickRow("a.zip");
  EXPECT_EQ(enabledSet().size(), std::size(selectionCommands));
  EXPECT_TRUE(window.PerArchiveFolderBox().isEnabled());
  EXPECT_TRUE(window.ExtractButton().isEnabled());
  EXPECT_EQ(session().job.selectedFiles, std::vector<std::string>{Browse() + "a.zip"});
  // The box keeps the user's tick while nothing is selected.
  QCheckBox& perArchive = window.PerArchiveFolderBox();
  QTest::mouseClick(&perArchive, Qt::LeftButton, {}, QPoint(8, perArchive.height() / 2));
  const QPoint belowTheRows = window.FileList().viewport()->rect().bottomLeft() + QPoint(5, -5);
  QTest::mouseClick(window.FileList().viewport(), Qt::LeftButton, {}, belowTheRows);
  ClickRow("a.zip");
  EXPECT_TRUE(perArchive.isChecked() && session().mainWindow.perArchiveFolder);

  ClickRow("c.rar", Qt::ControlModifier);
  EXPECT_TRUE(window.ExtractButton().isEnabled()) << "the job compares the types it finds";

  ClickRow("A");
  const QString refusal = "\"A\" is a folder; only files can be extracted.";
  EXPECT_EQ(window.ExtractButton().toolTip(), refusal);
  EXPECT_EQ(window.StatusPanelText(1), refusal);
  EXPECT_EQ(enabledSet(), (std::vector<std::string>{"mnulaunch", "fpopLa", "mnuProp", "fpopPr",
                                                    "mnuren", "fpopRen", "mnuCopy", "fpopCpy",
                                                    "mnuMov", "fpopMov", "mnuDel", "fpopDe"}));

  window.Action("selall")->trigger();
  EXPECT_EQ(window.StatusPanelText(2), "4 File(s) Selected.");
}

TEST_F(MainWindowTest, RightClickOpensTheFilePopupWithExtractAsDefault) {
  WriteFileText(Browse() + "a.zip", "");
  MainWindow& window = Open();
  QMenu* filePopup = window.PopupMenu("fpop");
  ASSERT_NE(filePopup, nullptr);
  EXPECT_EQ(filePopup->defaultAction(), window.Action("fpopEx"));

  ClickRow("a.zip", Qt::NoModifier, Qt::RightButton);
  EXPECT_TRUE(filePopup->isVisible());
  filePopup->close();

  QMenu* folderPopup = window.PopupMenu("folderPop");
  ASSERT_NE(folderPopup, nullptr);
  EXPECT_EQ(folderPopup->defaultAction(), window.Action("folderEx"));
  emit window.Tree().ContextMenuOnItem(window.mapToGlobal(QPoint(20, 80)));
  EXPECT_TRUE(folderPopup->isVisible());
  folderPopup->close();
}

TEST_F(MainWindowTest, DoubleClickOnAFolderOpensItOrRefreshesTheListWhenItHasGone) {
  std::filesystem::create_directories(Browse() + "inner");
  std::filesystem::create_directories(Browse() + "gone");
  WriteFileText(Browse() + "inner/deep.zip", "");
  MainWindow& window = Open();
  FileListView& list = window.FileList();
  const auto doubleClick = [&](const std::string& text) {
    const QPoint at = list.visualRect(list.model()->index(RowOf(text), 0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  };
  // Below the items a double click is on nothing.
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                     QPoint(5, list.viewport()->height() - 5));
  EXPECT_EQ(session().mainWindow.currentFolder, Browse());
  std::filesystem::remove(Browse() + "gone");
  doubleClick("gone");
  EXPECT_EQ(session().mainWindow.currentFolder, Browse());
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"inner"});

  doubleClick("inner");
  EXPECT_EQ(session().mainWindow.currentFolder, Browse() + "inner/");
  EXPECT_EQ(window.windowTitle().toStdString(), "Tessaly - " + Browse() + "inner/");
  EXPECT_EQ(ListTexts(), std::vector<std::string>{"deep.zip"});

  // The location box follows the folder; Enter there browses to the folder or file typed.
  EXPECT_EQ(window.LocationBox().text(), window.Tree().SelectedPath());
  const auto go = [&](const char* typed) {
    window.LocationBox().setText(typed);
    QTest::keyClick(&window.LocationBox(), Qt::Key_Return);
  };
  go("..");
  EXPECT_EQ(session().mainWindow.currentFolder, Browse());
  go("inner/deep.zip");
  EXPECT_EQ(session().mainWindow.currentFolder, Browse() + "inner/");
  EXPECT_EQ(list.SelectedRows(), std::vector<int>{0});
  WriteFileText(Browse() + "inner/fresh.zip", "");
  go("fresh.zip");
  EXPECT_EQ(list.SelectedRows(), std::vector<int>{RowOf("fresh.zip")});
  script.Then([](QWidget* modal) {
    EXPECT_EQ(qobject_cast<QMessageBox*>(modal)->text(),
              "Tessaly cannot find \"nowhere\". Check the path and try again.");
    ClickButton(modal, "OK");
  });
  go("nowhere");
  EXPECT_TRUE(script.Done());
}

TEST_F(MainWindowTest, ExitEndsWithoutSavingAnything) {
  MainWindow& window = Open();
  const std::string before = ReadFileText(SettingsFile());
  window.FileTypeFilter().setCurrentIndex(3);
  window.DestinationBox().setEditText("/srv/never");
  window.Action("fmexit")->trigger();
  QApplication::processEvents();

  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(ReadFileText(SettingsFile()), before);

  // Modal windows shown afterwards in the same process still wait for their answer.
  script.Then([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
  QDialog later;
  EXPECT_EQ(later.exec(), QDialog::Accepted);
}

TEST_F(MainWindowTest, F1OpensTheHelpContentsAndAboutOpensOverTheWindow) {
  MainWindow& window = Open();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.FileList().setFocus();
  QTest::keyClick(&window.FileList(), Qt::Key_F1);
  auto* help = window.findChild<HelpWindow*>("helpWindow");
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->Browser()->source().fileName(), "index.html");
  help->close();

  script.Then([&](QWidget* about) {
    EXPECT_EQ(about->objectName(), "FrmAbt");
    EXPECT_EQ(about->parentWidget(), &window);
    ClickButton(about, "OK");
  });
  window.Action("abmenu")->trigger();
  EXPECT_TRUE(script.Done());
}

}  // namespace
}  // namespace tessaly::testing
