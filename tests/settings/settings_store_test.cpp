#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/isolated_settings.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using testing::ReadFileText;
using testing::WriteFileText;

class SettingsStoreTest : public testing::IsolatedSettingsTest {
 protected:
  SettingsStore store = ApplicationSettings();
};

TEST_F(SettingsStoreTest, TheFileIsNamedByTheTrimmedNamesUnderTheConfigHome) {
  SettingsStore settings;
  settings.Company("  Brindlemoor ");
  settings.AppName(" Tessaly 3.6  ");
  EXPECT_EQ(settings.FilePath(), SettingsFile());
  EXPECT_TRUE(settings.SaveSetting("General", "Startup Mode", "1"));
  EXPECT_EQ(store.GetSetting("General", "Startup Mode", "0"), "1");

  // Names that would leave the configuration folder or name no file at all.
  for (const char* appName : {"", "..", "a/b"}) {
    settings.AppName(appName);
    EXPECT_EQ(settings.FilePath(), "") << appName;
    EXPECT_FALSE(settings.SaveSetting("General", "k", "v")) << appName;
    EXPECT_EQ(settings.GetSetting("General", "k", "default"), "default") << appName;
  }

  const testing::ScopedEnv home("HOME", Root() + "/home");
  for (const char* xdg : {"", "relative/config"}) {
    const testing::ScopedEnv config("XDG_CONFIG_HOME", xdg);
    EXPECT_EQ(store.FilePath(), Root() + "/home/.config/Brindlemoor/Tessaly 3.6.conf") << xdg;
  }
}

TEST_F(SettingsStoreTest, EmptyReadsAsMissingStarIsUnnamedAndDeleteTakesAValueOrASection) {
  ASSERT_TRUE(store.SaveSetting("General", "Last Used Source Folder", ""));
  EXPECT_EQ(store.GetSetting("General", "Last Used Source Folder", "3"), "3");
  ASSERT_TRUE(store.SaveSetting("General", "Last Used Source Folder", " "));
  EXPECT_EQ(store.GetSetting("General", "Last Used Source Folder", "3"), " ");

  ASSERT_TRUE(store.SaveSetting("Shell", "*", "unnamed"));
  EXPECT_EQ(store.GetSetting("Shell", "*", ""), "unnamed");
  EXPECT_TRUE(store.DeleteSetting("Shell", "*"));
  EXPECT_EQ(store.GetSetting("Shell", "*", "gone"), "gone");

  ASSERT_TRUE(store.SaveSetting("Favorite Folders", "folder0", "/a"));
  ASSERT_TRUE(store.SaveSetting("Favorite Folders", "folder1", "/b"));
  EXPECT_TRUE(store.DeleteSetting("favorite folders", "FOLDER0"));
  EXPECT_EQ(store.GetSetting("Favorite Folders", "folder0", "none"), "none");
  EXPECT_FALSE(store.DeleteSetting("Favorite Folders", "folder0"));
  EXPECT_TRUE(store.DeleteSetting("Favorite folders", ""));
  EXPECT_EQ(store.GetSetting("Favorite Folders", "folder1", "none"), "none");
  EXPECT_EQ(store.GetSetting("General", "Last Used Source Folder", ""), " ");
}

// A line the reader cannot take as a setting costs nothing else: the other settings
// read, and a save keeps the line where it was.
TEST_F(SettingsStoreTest, AnOddLineIsSkippedAndKeptInPlace) {
  const struct {
    const char* name;
    std::string line;
    const char* sourceFolder;  // what the line sets, when it is a setting after all
  } kRows[] = {
      {"comment", "; written by hand", nullptr},
      {"comment with equals", "# was C:\\temp = old", nullptr},
      {"no equals", "this line is not a setting", nullptr},
      {"unclosed bracket", "[Destination Folder Hist", nullptr},
      {"text after a header", "[Other] see below", nullptr},
      {"control bytes", "\x01\x7f\0 junk"s, nullptr},
      {"lone backslash", "Last Used Source Folder=/home/u/a\\b", "/home/u/a\\b"},
      {"backslash at the end", "Last Used Source Folder = C:\\", "C:\\"},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    const std::string before =
        "[General]\nFirst time=0\n" + row.line +
        "\nStartup Folder=/home/u/x\n[Utility Locations]\narj=/usr/bin/arj\n";
    WriteFileText(SettingsFile(), before);
    const auto expectSettings = [&] {
      EXPECT_EQ(store.GetSetting("General", "First time", "1"), "0");
      EXPECT_EQ(store.GetSetting("General", "Startup Folder", ""), "/home/u/x");
      EXPECT_EQ(store.GetSetting("Utility Locations", "arj", ""), "/usr/bin/arj");
      EXPECT_EQ(store.GetSetting("General", "Last Used Source Folder", "3"),
                row.sourceFolder ? row.sourceFolder : "3");
    };
    expectSettings();
    EXPECT_EQ(ReadFileText(SettingsFile()), before);  // reading never rewrites

    ASSERT_TRUE(store.SaveSetting("General", "Startup Mode", "1"));
    expectSettings();
    EXPECT_EQ(store.GetSetting("General", "Startup Mode", ""), "1");
    const std::string after = ReadFileText(SettingsFile());
    if (!row.sourceFolder) {
      const size_t line = after.find("\n" + row.line + "\n");
      EXPECT_NE(line, std::string::npos) << after;
      EXPECT_LT(after.find("First time=0"), line) << after;
      EXPECT_GT(after.find("Startup Folder="), line) << after;
    }
    ASSERT_TRUE(store.SaveSetting("General", "Startup Mode", "1"));
    EXPECT_EQ(ReadFileText(SettingsFile()), after) << "a second save changes nothing";
    EXPECT_FALSE(fs::exists(SettingsFile() + ".bad"));
  }
}

// Reads are served from the last parse while the text is unchanged: an edit in place of
// the same length, within the clock's granularity, is still seen.
TEST_F(SettingsStoreTest, AFileEditedInPlaceReadsAnew) {
  WriteFileText(SettingsFile(), "[General]\nStartup Mode=0\n");
  EXPECT_EQ(store.GetSetting("General", "Startup Mode", ""), "0");
  WriteFileText(SettingsFile(), "[General]\nStartup Mode=1\n");
  EXPECT_EQ(store.GetSetting("General", "Startup Mode", ""), "1");
}

TEST_F(SettingsStoreTest, UnreadableFileReadsAsEmptyAndIsLeftAlone) {
  // A folder where the file should be: it exists but cannot be read as one.
  fs::create_directories(SettingsFile() + "/inside");
  EXPECT_EQ(store.GetSetting("General", "First time", "1"), "1");
  EXPECT_FALSE(store.SaveSetting("General", "First time", "0"));
  EXPECT_FALSE(store.DeleteSetting("General", "First time"));
  EXPECT_TRUE(fs::is_directory(SettingsFile() + "/inside"));
}

}  // namespace
}  // namespace tessaly
