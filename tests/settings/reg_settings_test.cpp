#include "settings/reg_settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "settings/isolated_settings.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

using testing::ReadFileText;
using testing::WriteFileText;

class RegSettingsTest : public testing::IsolatedSettingsTest {
 protected:
  CRegSettings Reg = ApplicationSettings();
};

TEST_F(RegSettingsTest, ValuesLiveInOneFileUnderTheTrimmedCompanyAndAppName) {
  CRegSettings settings;
  settings.Company("  Brindlemoor ");
  settings.AppName(" Tessaly 3.6  ");
  EXPECT_EQ(settings.FilePath(), SettingsFile());
  EXPECT_TRUE(settings.SaveSetting("General", "Startup Mode", "1"));
  EXPECT_TRUE(fs::is_regular_file(SettingsFile()));
  EXPECT_EQ(Reg.GetSetting("General", "Startup Mode", "0"), "1");
}

TEST_F(RegSettingsTest, NamesThatWouldLeaveTheConfigFolderAreRefused) {
  for (const char* appName : {"", "..", "a/b"}) {
    CRegSettings settings;
    settings.Company("Brindlemoor");
    settings.AppName(appName);
    EXPECT_EQ(settings.FilePath(), "") << appName;
    EXPECT_FALSE(settings.SaveSetting("General", "k", "v")) << appName;
    EXPECT_EQ(settings.GetSetting("General", "k", "default"), "default") << appName;
  }
}

TEST_F(RegSettingsTest, ConfigHomeFallsBackToHomeDotConfig) {
  const testing::ScopedEnv home("HOME", Root() + "/home");
  for (const char* xdg : {"", "relative/config"}) {
    const testing::ScopedEnv config("XDG_CONFIG_HOME", xdg);
    EXPECT_EQ(Reg.FilePath(), Root() + "/home/.config/Brindlemoor/Tessaly 3.6.conf") << xdg;
  }
}

TEST_F(RegSettingsTest, EmptyReadsAsMissingStarIsUnnamedAndDeleteTakesAValueOrASection) {
  ASSERT_TRUE(Reg.SaveSetting("General", "Last Used Source Folder", ""));
  EXPECT_EQ(Reg.GetSetting("General", "Last Used Source Folder", "3"), "3");
  ASSERT_TRUE(Reg.SaveSetting("General", "Last Used Source Folder", " "));
  EXPECT_EQ(Reg.GetSetting("General", "Last Used Source Folder", "3"), " ");

  ASSERT_TRUE(Reg.SaveSetting("Shell", "*", "unnamed"));
  EXPECT_EQ(Reg.GetSetting("Shell", "*", ""), "unnamed");
  EXPECT_TRUE(Reg.DeleteSetting("Shell", "*"));
  EXPECT_EQ(Reg.GetSetting("Shell", "*", "gone"), "gone");

  ASSERT_TRUE(Reg.SaveSetting("Favorite Folders", "folder0", "/a"));
  ASSERT_TRUE(Reg.SaveSetting("Favorite Folders", "folder1", "/b"));
  EXPECT_TRUE(Reg.DeleteSetting("favorite folders", "FOLDER0"));
  EXPECT_EQ(Reg.GetSetting("Favorite Folders", "folder0", "none"), "none");
  EXPECT_FALSE(Reg.DeleteSetting("Favorite Folders", "folder0"));
  EXPECT_TRUE(Reg.DeleteSetting("Favorite folders", ""));
  EXPECT_EQ(Reg.GetSetting("Favorite Folders", "folder1", "none"), "none");
  EXPECT_EQ(Reg.GetSetting("General", "Last Used Source Folder", ""), " ");
}

TEST_F(RegSettingsTest, MalformedFileReadsAsEmptyAndIsBackedUpBeforeBeingReplaced) {
  const std::string malformed = "[General]\nFirst time=0\nthis line is not a setting\n";
  WriteFileText(SettingsFile(), malformed);

  EXPECT_EQ(Reg.GetSetting("General", "First time", "1"), "1");
  EXPECT_EQ(ReadFileText(SettingsFile()), malformed);  // reading never repairs

  ASSERT_TRUE(Reg.SaveSetting("General", "Startup Mode", "1"));
  EXPECT_EQ(ReadFileText(SettingsFile() + ".bad"), malformed);
  EXPECT_EQ(Reg.GetSetting("General", "Startup Mode", ""), "1");
  EXPECT_EQ(Reg.GetSetting("General", "First time", "1"), "1");
}

TEST_F(RegSettingsTest, UnreadableFileReadsAsEmptyAndIsLeftAlone) {
  // A folder where the file should be: it exists but cannot be read as one.
  fs::create_directories(SettingsFile() + "/inside");
  EXPECT_EQ(Reg.GetSetting("General", "First time", "1"), "1");
  EXPECT_FALSE(Reg.SaveSetting("General", "First time", "0"));
  EXPECT_FALSE(Reg.DeleteSetting("General", "First time"));
  EXPECT_TRUE(fs::is_directory(SettingsFile() + "/inside"));
}

TEST_F(RegSettingsTest, FailedWriteLeavesTheOldFileWholeAndNoTempBehind) {
  ASSERT_TRUE(Reg.SaveSetting("General", "Startup Mode", "0"));
  const std::string before = ReadFileText(SettingsFile());

  // A child whose file size limit stops the write half-way.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    CRegSettings settings = ApplicationSettings();
    _exit(settings.SaveSetting("General", "Big", std::string(4096, 'x')) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save should have failed";

  EXPECT_EQ(ReadFileText(SettingsFile()), before);
  EXPECT_EQ(Reg.GetSetting("General", "Startup Mode", ""), "0");
  for (const auto& entry : fs::directory_iterator(fs::path(SettingsFile()).parent_path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "Tessaly 3.6.conf" || name == "Tessaly 3.6.conf.lock") << name;
  }
}

TEST_F(RegSettingsTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 3;
  constexpr int kKeysEach = 25;
  pid_t children[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    children[w] = fork();
    ASSERT_GE(children[w], 0);
    if (children[w] == 0) {
      CRegSettings settings = ApplicationSettings();
      bool ok = true;
      for (int k = 0; k < kKeysEach; ++k) {
        const std::string key = "writer" + std::to_string(w) + "-" + std::to_string(k);
        ok = settings.SaveSetting(k % 2 ? "Race" : "race", key, key) && ok;
      }
      _exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "writer" + std::to_string(w) + "-" + std::to_string(k);
      EXPECT_EQ(Reg.GetSetting("RACE", key, "lost"), key);
    }
  }
}

}  // namespace
}  // namespace tessaly
