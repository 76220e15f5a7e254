// Properties, Find Files, Rename, Launch and Explore from the main window, on files the tests make.
#include <sys/stat.h>
#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "platform/ui/folder_tree.h"
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
  SkipWelcome();
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

  window.Action("mnufprop")->trigger();
  properties = window.findChild<PropertiesWindow*>();
  ASSERT_NE(properties, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !properties->Counting(); }));
  EXPECT_EQ(value("sizeValue"), "3KB (2,000 bytes)");
  EXPECT_EQ(value("locationValue") + value("nameValue") + "/", Browse());
  properties->close();
}

TEST_F(MainWindowTest, FindListsMatchesBelowTheFolderAndADoubleClickShowsOne) {
  SkipWelcome();
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
  find->close();
}

TEST_F(MainWindowTest, RenameInTheListRestoresTheOldNameWhenTheNewOneExists) {
  SkipWelcome();
  WriteFileText(Browse() + "a.zip", "a");
  WriteFileText(Browse() + "b.zip", "b");
  MainWindow& window = Open();
  const auto rename = [&](const char* to) {
    ClickRow("a.zip");
    window.Action("mnuren")->trigger();
    auto* editor = window.FileList().viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "a.zip");
    editor->selectAll();
    QTest::keyClicks(editor, to);
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.FileList().viewport()->findChild<QLineEdit*>() == nullptr; }));
  };
  script.Then([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Could not rename: \"b.zip\" already exists.");
    EXPECT_EQ(box->windowTitle(), "Oops!");
    ClickButton(box, "OK");
  });
  rename("b.zip");
  ASSERT_TRUE(QTest::qWaitFor([&] { return script.Done(); }));
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"a.zip", "b.zip"}));
  EXPECT_EQ(ReadFileText(Browse() + "b.zip"), "b");

  rename("c d.zip");
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"c d.zip", "b.zip"}));
  EXPECT_EQ(ReadFileText(Browse() + "c d.zip"), "a");
}

// A folder renamed in the list is renamed in the tree too.
TEST_F(MainWindowTest, AFolderRenamedInTheListShowsItsNewNameInTheTree) {
  SkipWelcome();
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
  ClickRow("old");
  window.Action("mnuren")->trigger();
  auto* editor = window.FileList().viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "new");
  QTest::keyClick(editor, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return treeChildren() == std::vector<std::string>{"new"}; }))
      << ::testing::PrintToString(treeChildren());
  EXPECT_TRUE(fs::is_directory(Browse() + "new"));
}

TEST_F(MainWindowTest, LaunchAndExploreOpenWithTheDesktopAndLaunchSaysWhenNothingTakesTheFile) {
  SkipWelcome();
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
  script.Then([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(),
              "Could not launch this file. There is probably no program associated with it.");
    EXPECT_EQ(box->windowTitle(), "Oops!");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    ClickButton(box, "OK");
  });
  window.Action("fpopLa")->trigger();
  EXPECT_TRUE(script.Done());
}

}  // namespace
}  // namespace tessaly::testing
