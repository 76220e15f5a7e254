// The file browser's decisions. The filter and folder at start-up, the list and
// opening a folder are driven through the main window's tests.
#include "shell/browser_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "shell/browser_state.h"
#include "support/engine_fixture.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

class BrowserLogicTest : public EngineTest {
 protected:
  BrowserState browser;
};

TEST_F(BrowserLogicTest, FilterChangeShowsTheSetNoticeForArjRarAndAceUntilTurnedOff) {
  FilterChange(session, browser, 2, false);
  EXPECT_EQ(dialogs.importantMessagesShown, 1);
  EXPECT_EQ(browser.filePattern, "*.rar");
  EXPECT_EQ(browser.fileTypeIndex, 2);
  EXPECT_EQ(mainWindow.calls, (std::vector<std::string>{"ListFolder", "UpdateSelectionState"}));

  FilterChange(session, browser, 4, false);
  FilterChange(session, browser, 0, false);
  EXPECT_EQ(dialogs.importantMessagesShown, 1);
  EXPECT_EQ(browser.filePattern, "*.zip;*.zipx");

  dialogs.untickImportantMessage = true;
  FilterChange(session, browser, 1, false);
  EXPECT_EQ(dialogs.importantMessagesShown, 2);
  FilterChange(session, browser, 3, false);
  EXPECT_EQ(dialogs.importantMessagesShown, 2);
  EXPECT_EQ(browser.filePattern, "*.ace");
  EXPECT_EQ(GetSetting("General", "Show non-zip message"), "no");
}

TEST(FilterSettingTest, AValueThatNamesNoEntryShowsZipFiles) {
  EXPECT_EQ(FilterIndexFromSetting("5"), 5);
  EXPECT_EQ(FilterIndexFromSetting(" 4 "), 4);
  for (const char* nonsense : {"", "8", "2x", "99999999999"}) {
    EXPECT_EQ(FilterIndexFromSetting(nonsense), 0) << nonsense;
  }
}

TEST_F(BrowserLogicTest, StartFolderFallsBackToTheCurrentDirectory) {
  const auto exists = [](const std::string& path) { return std::filesystem::is_directory(path); };
  SettingsVars vars;
  vars.lastSourceFolder = Root() + "/";
  vars.startupFolder = Root() + "/gone/";
  EXPECT_EQ(StartFolderFor(vars, "/cwd/", exists), "/cwd/");
  vars.startupFolderMode = "1";
  EXPECT_EQ(StartFolderFor(vars, "/cwd/", exists), Root() + "/");
  vars.startupFolderMode = "2";
  EXPECT_EQ(StartFolderFor(vars, "/cwd/", exists), "/cwd/");
  std::filesystem::create_directory(Root() + "/gone");
  EXPECT_EQ(StartFolderFor(vars, "/cwd/", exists), Root() + "/gone/");

  // Never saved: the stored default "3" names no folder wherever the program starts.
  std::filesystem::create_directory("3");
  vars.startupFolderMode = "1";
  vars.lastSourceFolder = "3";
  EXPECT_EQ(StartFolderFor(vars, "/cwd/", exists), "/cwd/");
}

TEST(DoubleClickTest, FoldersOpenAndFilesFollowTheSetting) {
  EXPECT_EQ(DoubleClickActionFor(true, "1"), DoubleClickAction::OpenFolder);
  EXPECT_EQ(DoubleClickActionFor(false, "0"), DoubleClickAction::Extract);
  EXPECT_EQ(DoubleClickActionFor(false, "1"), DoubleClickAction::ArchiveContents);
  EXPECT_EQ(DoubleClickActionFor(false, "2"), DoubleClickAction::Launch);
  EXPECT_EQ(DoubleClickActionFor(false, "3"), DoubleClickAction::Nothing);
  EXPECT_EQ(DoubleClickActionFor(false, ""), DoubleClickAction::Nothing);
}

TEST(TypeToFindTest, TypedPrefixFromTheCurrentItemAndOneKeyAgainSteps) {
  const std::vector<std::string> texts = {"docs", "docs.txt", "docs.zip", "dz.zip", "ärger"};
  struct Case {
    const char* typed;
    int current;
    int found;
  } cases[] = {
      {"docs.z", -1, 2}, {"docs.z", 3, 2}, {"docs", 1, 1},  // a still-matching item stays
      {"d", -1, 0},      {"d", 0, 1},      {"dd", 3, 0},    // the same key steps round
      {"ä", -1, 4},      {"ää", 4, 4},     {"x", 2, -1},   {"docs.zz", -1, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindItemForTypedText(texts, c.typed, c.current), c.found)
        << c.typed << " from " << c.current;
  }
}

TEST(LocationTest, AFolderOrAFileByWholeRelativeOrHomePath) {
  const TempFolder root;
  const std::string top = root.path().string();
  std::filesystem::create_directories(top + "/docs/old");
  WriteFileText(top + "/docs/a b.zip", "");
  struct Case {
    std::string typed;
    std::optional<Location> found;
  } cases[] = {
      {top + "/docs", Location{top + "/docs/", ""}},
      {" old/../old/ ", Location{top + "/docs/old/", ""}},
      {"../docs/a b.zip", Location{top + "/docs/", "a b.zip"}},
      {"~/docs", Location{top + "/docs/", ""}},
      {"/", Location{"/", ""}},
      {"missing", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<Location> found = FindLocation(c.typed, top + "/docs/", top);
    ASSERT_EQ(found.has_value(), c.found.has_value()) << c.typed;
    if (found) {
      EXPECT_EQ(found->folder + "|" + found->file, c.found->folder + "|" + c.found->file);
    }
  }
}

TEST(DroppedFilesTest, DropOrderAndOneSeparatorAfterTheRoot) {
  JobState job;
  job.selectedFiles = {"/old.zip", "/older.zip", "/oldest.zip"};
  TakeDroppedFiles(job, {"/b/z.zip", "//a.zip", "/c d/e.rar"});
  EXPECT_EQ(job.selectedFiles, (std::vector<std::string>{"/b/z.zip", "/a.zip", "/c d/e.rar"}));
  EXPECT_EQ(job.selectedCount, 3);
}

}  // namespace
}  // namespace tessaly::testing
