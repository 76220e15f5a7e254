#include "settings/settings_vars.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "settings/isolated_settings.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class LoadSettingsTest : public testing::IsolatedSettingsTest {
 protected:
  // A store that has been through its first run already.
  void SkipFirstRun() { ASSERT_TRUE(store.SaveSetting("General", "First time", "0")); }

  SettingsStore store = ApplicationSettings();
  testing::ScriptedDialogs dialogs;
  SettingsVars vars;
};

// The welcome comes first: when it is shown, nothing has been written yet. Deleting
// "First time" brings the first run back.
TEST_F(LoadSettingsTest, FirstRunGreetsOnceThenWritesItsValuesInOrder) {
  struct CheckingDialogs : testing::ScriptedDialogs {
    void ShowWelcome() override {
      ScriptedDialogs::ShowWelcome();
      storeWasEmpty = !std::filesystem::exists(ApplicationSettings().FilePath());
    }
    bool storeWasEmpty = false;
  } checking;
  LoadSettings(vars, checking);
  EXPECT_EQ(checking.welcomeShown, 1);
  EXPECT_TRUE(checking.storeWasEmpty);
  EXPECT_EQ(vars.showConfirmation, "1");
  EXPECT_EQ(vars.shellWindowStyle, 1);

  std::ifstream in(store.FilePath());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const std::vector<std::string> expected = {
      "[General]",           "First time=0",           "Startup Mode=0",
      "Show confirmation=1", "Startup Folder Mode=0",  "Show File Type=0",
      "Hide Output=0",       "Close extract window=0",
  };
  EXPECT_EQ(lines, expected);

  LoadSettings(vars, checking);
  EXPECT_EQ(checking.welcomeShown, 1);
  ASSERT_TRUE(store.DeleteSetting("General", "First time"));
  LoadSettings(vars, checking);
  EXPECT_EQ(checking.welcomeShown, 2);
}

TEST_F(LoadSettingsTest, StoredValuesReachTheirVariablesAndStaleOnesGo) {
  SkipFirstRun();
  const struct {
    const char* section;
    const char* key;
    const char* value;
    std::string SettingsVars::*variable;
  } kRows[] = {
      {"General", "DCAction", "2", &SettingsVars::doubleClickAction},
      {"Utility Locations", "arj", "/usr/bin/arj", &SettingsVars::arjLocation},
  };
  for (const auto& row : kRows) ASSERT_TRUE(store.SaveSetting(row.section, row.key, row.value));
  vars.showConfirmation = "stale";
  LoadSettings(vars, dialogs);
  EXPECT_EQ(dialogs.welcomeShown, 0);
  for (const auto& row : kRows) EXPECT_EQ(vars.*row.variable, row.value) << row.key;
  EXPECT_EQ(vars.showConfirmation, "") << "a value never saved reads empty";
}

TEST_F(LoadSettingsTest, HideOutputSetsTheWindowStyleOnlyForZeroOrOne) {
  SkipFirstRun();
  const struct {
    const char* hideOutput;
    int styleBefore;
    int styleAfter;
  } kRows[] = {
      {"0", 0, 1},
      {"1", 1, 0},
      {"2", 1, 1},
      {" 1", 1, 1},
  };
  for (const auto& row : kRows) {
    ASSERT_TRUE(store.SaveSetting("General", "Hide Output", row.hideOutput));
    vars.shellWindowStyle = row.styleBefore;
    LoadSettings(vars, dialogs);
    EXPECT_EQ(vars.shellWindowStyle, row.styleAfter) << '"' << row.hideOutput << '"';
    EXPECT_EQ(vars.hideOutput, row.hideOutput);
  }
}

class TempFolderTest : public testing::IsolatedSettingsTest {
 protected:
  std::string OwnFolder() const {
    return TempRoot() + "/tessaly-" + std::to_string(geteuid()) + "/";
  }

  static mode_t ModeOf(const std::string& path) {
    struct stat info;
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode;
  }

  // A usable fallback: a fresh private folder under TMPDIR that is not the usual one.
  void ExpectFallback(const std::string& folder) {
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder, OwnFolder());
    EXPECT_EQ(folder.rfind(OwnFolder().substr(0, OwnFolder().size() - 1) + "-", 0), 0u) << folder;
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
    EXPECT_EQ(ModeOf(folder) & 07777, 0700u);
  }

  SettingsVars vars;
};

TEST_F(TempFolderTest, CreatesThePrivateFolderUnderTmpdirAndRestoresItsOwnerRights) {
  const std::string folder = GetTempFolder(vars);
  EXPECT_EQ(folder, OwnFolder());
  EXPECT_EQ(vars.tempFolder, folder);
  EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
  EXPECT_EQ(ModeOf(folder) & 07777, 0700u);

  ASSERT_EQ(chmod(folder.c_str(), 0500), 0);  // as a umask may leave it
  EXPECT_EQ(GetTempFolder(vars), folder);
  EXPECT_EQ(ModeOf(folder) & 07777, 0700u);
}

TEST_F(TempFolderTest, RefusesAFolderOthersCanEnterOrASymlinkAndKeepsItsFallback) {
  const std::string own = OwnFolder();
  ASSERT_EQ(mkdir(own.c_str(), 0700), 0);
  ASSERT_EQ(chmod(own.c_str(), 0777), 0);
  const std::string folder = GetTempFolder(vars);
  ExpectFallback(folder);
  EXPECT_EQ(ModeOf(own) & 07777, 0777u);  // not silently adopted
  // The fallback is kept while it stays private, not made afresh on every load.
  EXPECT_EQ(GetTempFolder(vars), folder);

  // A link, even to a private folder, is no private folder.
  ASSERT_EQ(rmdir(own.c_str()), 0);
  const std::string target = Root() + "/elsewhere";
  ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
  ASSERT_EQ(symlink(target.c_str(), own.substr(0, own.size() - 1).c_str()), 0);
  SettingsVars fresh;
  ExpectFallback(GetTempFolder(fresh));

  // Only a fallback under the current TMPDIR is reused.
  const std::string elsewhere = Root() + "/tessaly-" + std::to_string(geteuid()) + "-old";
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  SettingsVars moved;
  moved.tempFolder = elsewhere + "/";  // private, but not under TMPDIR
  ExpectFallback(GetTempFolder(moved));
}

}  // namespace
}  // namespace tessaly
