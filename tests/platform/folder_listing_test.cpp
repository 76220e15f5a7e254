#include "platform/folder_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

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

  testing::TempFolder temp_;
};

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

TEST_F(FolderListingTest, AFolderThatCannotBeReadListsNothing) {
  File("plain.zip");
  EXPECT_TRUE(ListFolder(Dir() + "missing/", "*.zip").empty());
  EXPECT_TRUE(ListFolder(Dir() + "plain.zip/", "*.*").empty());
}

TEST(FileSizeTextTest, KilobytesRoundedUpGroupedAndNoDateWithoutACalendar) {
  EXPECT_EQ(FormatFileSize(0) + FormatFileSize(1) + FormatFileSize(1024) + FormatFileSize(1025),
            "0KB1KB1KB2KB");
  EXPECT_EQ(FormatFileSize(std::numeric_limits<uint64_t>::max()), "18,014,398,509,481,984KB");
  EXPECT_EQ(FormatFileDate(std::numeric_limits<int64_t>::max()), "");
}

}  // namespace
}  // namespace tessaly
