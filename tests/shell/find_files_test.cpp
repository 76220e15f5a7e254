// The Find Files matcher, the folder walk and the Properties facts on real folders.
#include "shell/find_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/file_properties.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

TEST(FindFilesTest, PatternMatchesWithoutRegardToCase) {
  struct Row {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Row rows[] = {
      {"Report.ZIP", "*.zip", true},   {"report.zip", "R?PORT.*", true},
      {"report.zip", "r?port", false}, {"Old Report.txt", "report", true},
      {"report.zip", "*.rar", false},  {"a.zip", "?.zip", true},
      {"ab.zip", "?.zip", false},      {"ab", "*", true},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FindPatternMatches(row.name, row.pattern), row.matches)
        << row.name << " / " << row.pattern;
}

TEST(FindFilesTest, WalkFindsFilesAndFoldersBelowInBatchesAndStops) {
  TempFolder folder;
  const std::string root = folder.path().string() + "/";
  fs::create_directories(folder.path() / "Sub" / "deep");
  WriteFileText(folder.path() / "one.ZIP", "1");
  WriteFileText(folder.path() / "Sub" / "two.zip", "2");
  WriteFileText(folder.path() / "Sub" / "deep" / "three.zip", "3");
  WriteFileText(folder.path() / "Sub" / "deep" / "other.rar", "4");
  fs::create_directory(folder.path() / "Sub" / "folder.zip");
  // A link back up must not make the walk go round.
  fs::create_directory_symlink(folder.path(), folder.path() / "Sub" / "loop");

  std::atomic<bool> stop{false};
  std::vector<std::string> found;
  int batches = 0;
  FindFiles(
      root, "*.zip", stop,
      [&](std::vector<std::string> batch) {
        ++batches;
        EXPECT_LE(batch.size(), 2u);
        found.insert(found.end(), batch.begin(), batch.end());
      },
      2);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{root + "Sub/deep/three.zip", root + "Sub/folder.zip",
                                             root + "Sub/two.zip", root + "one.ZIP"}));
  EXPECT_GE(batches, 2);

  stop = true;
  found.clear();
  FindFiles(root, "*", stop, [&](std::vector<std::string> batch) {
    found.insert(found.end(), batch.begin(), batch.end());
  });
  EXPECT_TRUE(found.empty());
}

TEST(FilePropertiesTest, FactsOfFilesAndTheFolderTotal) {
  TempFolder folder;
  const std::string root = folder.path().string() + "/";
  WriteFileText(folder.path() / "a.bin", std::string(1000, 'a'));
  WriteFileText(folder.path() / "b.bin", std::string(234, 'b'));
  fs::create_directories(folder.path() / "in" / "deeper");
  WriteFileText(folder.path() / "in" / "deeper" / "c.bin", std::string(5000, 'c'));
  chmod((root + "a.bin").c_str(), 0640);

  const FileFacts one = GatherFileFacts({root + "a.bin"});
  EXPECT_TRUE(one.found);
  EXPECT_EQ(one.name, "a.bin");
  EXPECT_EQ(one.location, root);
  EXPECT_EQ(one.bytes, 1000u);
  EXPECT_EQ(PermissionText(one.mode), "rw-r-----");
  EXPECT_EQ(OctalModeText(one.mode), "0640");
  EXPECT_EQ(PermissionText(0755), "rwxr-xr-x");

  const FileFacts two = GatherFileFacts({root + "a.bin", root + "b.bin"});
  EXPECT_EQ(two.name, "2 items");
  EXPECT_EQ(two.bytes, 1234u);
  EXPECT_FALSE(GatherFileFacts({root + "missing"}).found);

  std::atomic<bool> stop{false};
  uint64_t last = 0;
  EXPECT_EQ(CountFolderBytes(root, stop, [&](uint64_t total) { last = total; }), 6234u);
  EXPECT_EQ(last, 6234u);
  EXPECT_EQ(SizeText(6234), "7KB (6,234 bytes)");
  EXPECT_EQ(SizeText(1234567), "1,235KB (1,234,567 bytes)");
}

}  // namespace
}  // namespace tessaly::testing
