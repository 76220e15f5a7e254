#include "platform/folder_listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "settings/isolated_settings.h"
#include "support/files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

class FolderListingTest : public ::testing::Test {
 protected:
  std::string Dir() const { return temp_.path().string() + "/"; }
  void File(const std::string& name, const std::string& text = "x") {
    testing::WriteFileText(temp_.path() / name, text);
  }
  void Folder(const std::string& name) { fs::create_directories(temp_.path() / name); }
  std::vector<std::string> Names(const std::string& pattern) const {
    std::vector<std::string> names;
    for (const FileListItem& item : ListFolder(Dir(), pattern)) names.push_back(item.text);
    return names;
  }

  testing::TempFolder temp_;
};

// The order of the list is driven through the main window's tests.
TEST_F(FolderListingTest, FoldersHaveTheirPathAsTagFilesLoadTheirDetailsLater) {
  Folder("A");
  File("B.ZIP");
  File("a.zip");
  std::vector<FileListItem> items = ListFolder(Dir(), "*.zip");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].text, "a.zip") << "sorted without regard to case";
  EXPECT_EQ(items[0].iconKey, "DOS");
  EXPECT_EQ(items[0].tag, Dir() + "A");
  EXPECT_EQ(items[0].size, "");
  EXPECT_EQ(items[0].modified, "");
  EXPECT_FALSE(items[0].detailsPending);
  EXPECT_EQ(items[1].iconKey, "tessaly");
  EXPECT_EQ(items[1].tag, "");
  EXPECT_TRUE(items[1].detailsPending);
  LoadFileDetails(Dir(), items[1]);
  EXPECT_FALSE(items[1].detailsPending);
  EXPECT_EQ(items[1].size, "1KB");
  EXPECT_FALSE(items[1].modified.empty());

  // A file gone between the listing and its display keeps empty texts.
  ASSERT_EQ(unlink((Dir() + "B.ZIP").c_str()), 0);
  LoadFileDetails(Dir(), items[2]);
  EXPECT_FALSE(items[2].detailsPending);
  EXPECT_EQ(items[2].size, "");
}

TEST_F(FolderListingTest, OnlyVisibleRegularFilesAndFoldersIncludingLinkedOnes) {
  Folder("real");
  Folder(".git");
  File(".hidden.zip");
  File("kept.zip");
  ASSERT_EQ(symlink((Dir() + "real").c_str(), (Dir() + "linked").c_str()), 0);
  ASSERT_EQ(symlink((Dir() + "kept.zip").c_str(), (Dir() + "alias.zip").c_str()), 0);
  ASSERT_EQ(symlink((Dir() + "gone.zip").c_str(), (Dir() + "dangling.zip").c_str()), 0);
  ASSERT_EQ(mkfifo((Dir() + "pipe.zip").c_str(), 0600), 0);
  Folder("folder.zip");

  const std::vector<FileListItem> items = ListFolder(Dir(), "*.zip");
  std::vector<std::string> names;
  for (const FileListItem& item : items) names.push_back(item.text);
  EXPECT_EQ(names,
            (std::vector<std::string>{"folder.zip", "linked", "real", "alias.zip", "kept.zip"}));
  EXPECT_EQ(items[1].tag, Dir() + "linked");
}

TEST_F(FolderListingTest, PatternsIgnoreCaseAndAllFilesTakesNamesWithoutADot) {
  File("A.ZIP");
  File("readme");
  File("data.tar.zip");
  File("photo.jpeg");
  File("x.h");
  File("setup.exe");
  File("linux.tar.XZ");
  EXPECT_EQ(Names("*.EXE"), (std::vector<std::string>{"setup.exe"}));
  EXPECT_EQ(Names("*.zip;*.tar.xz"),
            (std::vector<std::string>{"A.ZIP", "data.tar.zip", "linux.tar.XZ"}));

  std::vector<std::string> keys;
  for (const FileListItem& item : ListFolder(Dir(), "*.*"))
    keys.push_back(item.text + "=" + item.iconKey);
  EXPECT_EQ(keys, (std::vector<std::string>{"A.ZIP=tessaly", "data.tar.zip=Others",
                                            "linux.tar.XZ=tessaly", "photo.jpeg=Others",
                                            "readme=Others", "setup.exe=exe", "x.h=h"}));
}

TEST(FilePatternTest, Wildcards) {
  EXPECT_TRUE(MatchesFilePattern("part1.rar", "part?.RAR"));
  EXPECT_FALSE(MatchesFilePattern("part10.rar", "part?.rar"));
  EXPECT_FALSE(MatchesFilePattern("a.zipx", "*.zip"));
  EXPECT_TRUE(MatchesFilePattern("aXbXc", "a*b*c"));
  EXPECT_FALSE(MatchesFilePattern("aXbXd", "a*b*c"));
}

TEST_F(FolderListingTest, SizeAndLocalModificationTime) {
  File("big.zip");
  ASSERT_EQ(truncate((Dir() + "big.zip").c_str(), 999'499), 0);
  const struct timespec times[2] = {{1'700'000'000, 0}, {1'700'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (Dir() + "big.zip").c_str(), times, 0), 0);

  std::vector<FileListItem> items;
  {
    testing::ScopedEnv zone("TZ", "XYZ-3");
    tzset();
    items = ListFolder(Dir(), "*.zip");
    LoadFileDetails(Dir(), items[0]);
  }
  tzset();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].size, "1,000KB");
  EXPECT_EQ(items[0].bytes, 999'499u);
  EXPECT_EQ(items[0].mtime, 1'700'000'000);
  // 2023-11-14 22:13:20 UTC, three hours east.
  EXPECT_EQ(items[0].modified, "2023-11-15 01:13:20");
}

TEST_F(FolderListingTest, AFolderThatCannotBeReadListsNothing) {
  File("plain.zip");
  EXPECT_TRUE(ListFolder(Dir() + "missing/", "*.zip").empty());
  EXPECT_TRUE(ListFolder(Dir() + "plain.zip/", "*.*").empty());
}

TEST(FileSizeTextTest, WholeThousandsPlusOneGroupedAndNoDateWithoutACalendar) {
  EXPECT_EQ(FormatFileSize(1000), "2KB");
  EXPECT_EQ(FormatFileSize(std::numeric_limits<uint64_t>::max()), "18,446,744,073,709,552KB");
  EXPECT_EQ(FormatFileDate(std::numeric_limits<int64_t>::max()), "");
}

}  // namespace
}  // namespace tessaly
