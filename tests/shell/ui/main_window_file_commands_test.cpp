// Delete and Move to... through the main window's entries: the confirmation and the
// destination dialog answered as the user would, the files where they end up.
#include <QAction>
#include <filesystem>

#include "engine/ui/destination_window.h"
#include "platform/ui/folder_tree.h"
#include "settings/isolated_settings.h"
#include "shell/ui/main_window_fixture.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class MainWindowFileCommandsTest : public MainWindowTest {
 protected:
  // The desktop Trash of this test: $XDG_DATA_HOME/Trash, on the browsed file system.
  std::string Trash() const { return Root() + "/data/Trash/"; }

  ScopedEnv home_{"HOME", Root()};
  ScopedEnv dataHome_{"XDG_DATA_HOME", Root() + "/data"};
};

// Deleting the tree's folder afterwards selects its parent.
TEST_F(MainWindowFileCommandsTest, DeleteAndDeleteFolderMoveToTheTrashWithTheirInfo) {
  SkipWelcome();
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
  mainWindow().Action("mnuDel")->trigger();
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
  SkipWelcome();
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
