// The Find Files matcher and the Properties facts on real folders.
#include "shell/find_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
  const FileFacts mixed = GatherFileFacts({root + "in", root + "a.bin"});
  EXPECT_EQ(mixed.bytes, 1000u);
  EXPECT_EQ(mixed.folders, std::vector<std::string>{root + "in"});
  EXPECT_FALSE(GatherFileFacts({root + "missing"}).found);

  std::atomic<bool> stop{false};
  uint64_t last = 0;
  EXPECT_EQ(CountFolderBytes(root, stop, [&](uint64_t total) { last = total; }), 6234u);
  EXPECT_EQ(last, 6234u);
  EXPECT_EQ(SizeText(1234567), "1,206KB (1,234,567 bytes)");
}

}  // namespace
}  // namespace tessaly::testing
