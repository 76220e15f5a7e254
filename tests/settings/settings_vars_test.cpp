#include "settings/settings_vars.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/isolated_settings.h"

namespace tessaly {
namespace {

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
