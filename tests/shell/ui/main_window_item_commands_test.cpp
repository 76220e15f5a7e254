// Properties, Find Files, Rename, Launch, Explore, Delete and Move to... from the main window, on
// files the tests make, the dialogs answered as the user would.
#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "engine/ui/destination_window.h"
#include "platform/ui/folder_tree.h"
#include "settings/isolated_settings.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/find_window.h"
#include "shell/ui/main_window_fixture.h"
#include "shell/ui/properties_window.h"
#include "support/fake_opener.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

TEST_F(MainWindowTest, PropertiesShowTheSelectedFileAndCountTheFolder) {
  WriteFileText(Browse() + "a.zip", std::string(1500, 'a'));
  chmod((Browse() + "a.zip").c_str(), 0640);
  ASSERT_TRUE(SetLocalFileTime(Browse() + "a.zip", 2021, 3, 4, 5, 6, 7));
  fs::create_directories(Browse() + "in/deeper");
  WriteFileText(Browse() + "in/deeper/b.bin", std::string(500, 'b'));
  MainWindow& window = Open();
  ClickRow("a.zip");
  window.Action("prop")->trigger();
  auto* properties = window.findChild<PropertiesWindow*>();
  ASSERT_NE(properties, nullptr);
  const auto value = [&](const char* name) {
    return properties->Value(name)->text().toStdString();
  };
  EXPECT_EQ(value("nameValue"), "a.zip");
  EXPECT_EQ(value("typeValue"), "Zip archive");
  EXPECT_EQ(value("locationValue"), Browse());
  EXPECT_EQ(value("sizeValue"), "2KB (1,500 bytes)");
  EXPECT_EQ(value("permissionsValue"), "rw-r----- (0640)");
  EXPECT_EQ(properties->Value("modifiedValue")->text(),
            QLocale().toString(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)), QLocale::ShortFormat));
  EXPECT_FALSE(value("ownerValue").empty());
  QTest::mouseClick(properties->CloseButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.findChild<PropertiesWindow*>() == nullptr; }));

  ClickRow("in", Qt::ControlModifier);
  window.Action("mnuProp")->trigger();
  properties = window.findChild<PropertiesWindow*>();
  ASSERT_NE(properties, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !properties->Counting(); }));
  EXPECT_EQ(value("nameValue"), "2 items");
  EXPECT_TRUE(value("sizeValue").ends_with("(2,000 bytes)")) << value("sizeValue");
  QTest::mouseClick(properties->CloseButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.findChild<PropertiesWindow*>() == nullptr; }));

  window.Action("mnufprop")->trigger();
  properties = window.findChild<PropertiesWindow*>();
  ASSERT_NE(properties, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !properties->Counting(); }));
  EXPECT_EQ(value("sizeValue"), "2KB (2,000 bytes)");
  EXPECT_EQ(value("locationValue") + value("nameValue") + "/", Browse());
  properties->close();
}

TEST_F(MainWindowTest, FindListsMatchesBelowTheFolderAndADoubleClickShowsOne) {
  fs::create_directories(Browse() + "sub/deep");
  WriteFileText(Browse() + "sub/deep/Found.ZIP", "");
  WriteFileText(Browse() + "sub/deep/other.zip", "");
  WriteFileText(Browse() + "sub/deep/skip.rar", "");
  WriteFileText(Browse() + "top.zip", "");
  MainWindow& window = Open();
  window.Action("find")->trigger();
  auto* find = window.findChild<FindWindow*>();
  ASSERT_NE(find, nullptr);
  find->PatternBox()->setText("F*.zip");
  QTest::mouseClick(find->FindButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !find->Searching(); }));
  QTreeWidget& results = *find->ResultList();
  ASSERT_EQ(results.topLevelItemCount(), 1);
  EXPECT_EQ(results.topLevelItem(0)->text(0), "Found.ZIP");
  EXPECT_EQ(results.topLevelItem(0)->text(1).toStdString(), Browse() + "sub/deep/");
  EXPECT_EQ(find->StatusLabel()->text(), "1 found");

  const QPoint at = results.visualItemRect(results.topLevelItem(0)).center();
  QTest::mouseClick(results.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(results.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(window.Tree().SelectedPath().toStdString(), Browse() + "sub/deep/");
  EXPECT_EQ(session().job.selectedFiles, std::vector<std::string>{Browse() + "sub/deep/Found.ZIP"});
  QTest::keyClick(find->PatternBox(), Qt::Key_Escape);
  EXPECT_FALSE(find->isVisible());
}

// A refused name puts the old one back; a folder renamed in the list is renamed in the tree too.
TEST_F(MainWindowTest, RenameInTheListRestoresARefusedNameAndRenamesAFolderInTheTree) {
  WriteFileText(Browse() + "a.zip", "a");
  WriteFileText(Browse() + "b.zip", "b");
  fs::create_directory(Browse() + "old");
  MainWindow& window = Open();
  FolderTree& tree = window.Tree();
  const auto treeChildren = [&] {
    std::vector<std::string> names;
    const QModelIndex current = tree.currentIndex();
    for (int row = 0; row < tree.model()->rowCount(current); ++row) {
      names.push_back(tree.model()->index(row, 0, current).data().toString().toStdString());
    }
    return names;
  };
  tree.expand(tree.currentIndex());
  ASSERT_TRUE(QTest::qWaitFor([&] { return treeChildren() == std::vector<std::string>{"old"}; }));
  const auto rename = [&](const char* from, const char* to) {
    ClickRow(from);
    window.Action("mnuren")->trigger();
    auto* editor = window.FileList().viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), from);
    editor->selectAll();
    QTest::keyClicks(editor, to);
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.FileList().viewport()->findChild<QLineEdit*>() == nullptr; }));
  };
  script.Then(Answer("Oops!", "Could not rename: \"b.zip\" already exists."));
  rename("a.zip", "b.zip");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }));
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"old", "a.zip", "b.zip"}));
  EXPECT_EQ(ReadFileText(Browse() + "b.zip"), "b");

  rename("a.zip", "c d.zip");
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"old", "c d.zip", "b.zip"}));
  EXPECT_EQ(ReadFileText(Browse() + "c d.zip"), "a");

  rename("old", "new");
  ASSERT_TRUE(QTest::qWaitFor([&] { return treeChildren() == std::vector<std::string>{"new"}; }))
      << ::testing::PrintToString(treeChildren());
  EXPECT_TRUE(fs::is_directory(Browse() + "new"));
}

TEST_F(MainWindowTest, LaunchAndExploreOpenWithTheDesktopAndSayWhenNothingTakesThePath) {
  WriteFileText(Browse() + "a.zip", "");
  MainWindow& window = Open();
  ClickRow("a.zip");
  const std::pair<const char*, std::string> opened[] = {{"launch", Browse() + "a.zip"},
                                                        {"mnuExp", Browse()}};
  for (const auto& [entry, path] : opened) {
    FakeOpener opener;
    window.Action(entry)->trigger();
    EXPECT_EQ(opener.WaitForArguments(), std::vector<std::string>{path}) << entry;
  }

  FakeOpener opener;
  opener.FindNothing();
  script.Then(Answer(
      "Oops!", "Could not launch this file. There is probably no program associated with it."));
  window.Action("fpopLa")->trigger();
  script.Then(Answer("Oops!", "Tessaly could not open the folder \"" + Browse() + "\"."));
  window.Action("mnuExp")->trigger();
  EXPECT_TRUE(script.Done());
}

class MainWindowFileCommandsTest : public MainWindowTest {
 protected:
  // The desktop Trash of this test: $XDG_DATA_HOME/Trash, on the browsed file system.
  std::string Trash() const { return Root() + "/data/Trash/"; }

  ScopedEnv home_{"HOME", Root()};
  ScopedEnv dataHome_{"XDG_DATA_HOME", Root() + "/data"};
};

// Deleting the tree's folder afterwards selects its parent.
TEST_F(MainWindowFileCommandsTest, DeleteAndDeleteFolderMoveToTheTrashWithTheirInfo) {
  fs::create_directories(Browse() + "old/deep");
  WriteFileText(Browse() + "old/gone -x.zip", "data");
  WriteFileText(Browse() + "old/kept.zip", "");
  Open();
  ASSERT_TRUE(mainWindow().Tree().SelectFolder(QString::fromStdString(Browse() + "old/")));
  ClickRow("gone -x.zip");
  std::string question;
  script.Then([&](QWidget* confirmation) {
    question = LabelText(confirmation, "qt_msgbox_label").toStdString();
    ClickButton(confirmation, "Yes");
  });
  QTest::keyClick(&mainWindow().FileList(), Qt::Key_Delete);  // File > Delete File(s)
  EXPECT_EQ(question,
            "Are you sure you want to move \"" + Browse() + "old/gone -x.zip\" to the Trash?");
  EXPECT_EQ(ReadFileText(Trash() + "files/gone -x.zip"), "data");
  const std::string info = ReadFileText(Trash() + "info/gone -x.zip.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
  EXPECT_NE(info.find("DeletionDate="), std::string::npos) << info;
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"deep", "kept.zip"}));

  script.Then([](QWidget* confirmation) { ClickButton(confirmation, "Yes"); });
  mainWindow().Action("mnuDelFol")->trigger();
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(fs::exists(Trash() + "files/old/deep"));
  EXPECT_TRUE(fs::exists(Trash() + "info/old.trashinfo"));
  EXPECT_FALSE(fs::exists(Browse() + "old"));
  EXPECT_EQ(session().mainWindow.currentFolder, Browse());
}

TEST_F(MainWindowFileCommandsTest, MoveToMovesTheSelectedFilesAndAsksBeforeReplacing) {
  WriteFileText(Browse() + "a.zip", "moved");
  WriteFileText(Browse() + "b.zip", "new b");
  WriteFileText(Browse() + "c.zip", "");
  const std::string destination = Root() + "/dest/";
  WriteFileText(destination + "b.zip", "old b");
  Open();
  ClickRow("a.zip");
  ClickRow("b.zip", Qt::ControlModifier);
  QString caption;
  script.Then([&](QWidget* modal) {
    auto* chooser = qobject_cast<DestinationWindow*>(modal);
    ASSERT_NE(chooser, nullptr);
    caption = chooser->windowTitle();
    chooser->Tree()->SelectFolder(QString::fromStdString(destination));
    ClickButton(chooser, "OK");
  });
  std::string question;
  script.Then([&](QWidget* replace) {
    EXPECT_EQ(replace->objectName(), "TransferReplace");
    QTest::qWait(1000);  // longer than the work goes before its progress window shows
    EXPECT_EQ(QApplication::activeModalWidget(), replace);
    EXPECT_FALSE(mainWindow().findChild<QWidget*>("TransferProgress")->isVisible());
    question = LabelText(replace, "qt_msgbox_label").toStdString();
    ClickButton(replace, "Skip");
  });
  mainWindow().Action("mnuMov")->trigger();

  EXPECT_TRUE(script.Done());
  EXPECT_EQ(caption, "Move to...");
  EXPECT_EQ(question,
            "The file \"" + destination + "b.zip\" already exists. Do you want to replace it?");
  EXPECT_EQ(ReadFileText(destination + "a.zip"), "moved");
  EXPECT_EQ(ReadFileText(destination + "b.zip"), "old b");
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"b.zip", "c.zip"}));
}

}  // namespace
}  // namespace tessaly::testing
