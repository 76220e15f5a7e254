// What extraction leaves on disk when many entries share folders, and when the
// destination changes between two entries of one extraction.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

#include "api_test_support.h"
#include "support/ace_writer.h"

namespace unace::testing {
namespace {

using tessaly::testing::AceEntrySpec;
using tessaly::testing::AceFolder;
using tessaly::testing::AceMethod;
using tessaly::testing::WriteAce;

// Extracts every entry into out, calling between(index) before entry index is
// processed; the codes of ACEProcessFile.
std::vector<int> ExtractStepwise(const std::string& archive, const std::string& out,
                                 const std::function<void(size_t)>& between) {
  std::vector<int> codes;
  HANDLE handle = Open(archive, ACE_OM_EXTRACT);
  if (!handle) return codes;
  ACEHeaderData header{};
  while (ACEReadHeader(handle, &header) == ACE_SUCCESS) {
    between(codes.size());
    codes.push_back(ACEProcessFile(handle, ACE_EXTRACT, const_cast<char*>(out.c_str())));
  }
  ACECloseArchive(handle);
  return codes;
}

TEST(AceOutput, ManyFilesInNestedFoldersLandExactlyAndAreReplacedOnASecondRun) {
  TempFolder temp;
  std::vector<AceEntrySpec> entries;
  std::vector<std::string> expected;
  for (int i = 0; i < 240; ++i) {
    const std::string folder =
        "top" + std::to_string(i % 3) + "/mid" + std::to_string(i % 5) + (i % 2 ? "/deep" : "");
    const std::string name = folder + "/file" + std::to_string(i) + ".txt";
    entries.push_back(
        {name, "content of " + name, false, i % 4 ? AceMethod::Lz77 : AceMethod::Stored});
    expected.push_back(name);
  }
  // Folder entries after the files below them, one of them new.
  entries.push_back(AceFolder("top1/mid2"));
  entries.push_back(AceFolder("top2/empty/inner"));
  entries.push_back({"root.txt", "at the top", false, AceMethod::Stored});
  expected.insert(expected.end(), {"root.txt", "top2/empty/", "top2/empty/inner/"});
  for (int top = 0; top < 3; ++top) {
    for (int mid = 0; mid < 5; ++mid) {
      const std::string folder = "top" + std::to_string(top) + "/mid" + std::to_string(mid);
      expected.insert(expected.end(),
                      {"top" + std::to_string(top) + "/", folder + "/", folder + "/deep/"});
    }
  }
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  WriteAce(temp / "a.ace", entries);
  const std::string out = temp / "out/";
  fs::create_directory(out);

  for (int run = 0; run < 2; ++run) {
    const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
    ASSERT_EQ(walk.entries.size(), entries.size());
    for (const auto& entry : walk.entries) EXPECT_EQ(entry.code, ACE_SUCCESS) << entry.name;
    EXPECT_EQ(Tree(out), expected) << "run " << run;
    for (const auto& entry : entries) {
      if (!entry.folder) {
        EXPECT_EQ(ReadAll(out + entry.name), entry.data) << entry.name;
      }
    }
  }
}

TEST(AceOutput, AFolderRemovedBetweenEntriesIsMadeAgain) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"sub/deep/one.txt", "one", false, AceMethod::Stored},
                            {"sub/deep/two.txt", "two", false, AceMethod::Lz77}});
  const std::string out = temp / "out";
  fs::create_directory(out);
  const auto codes = ExtractStepwise(temp / "a.ace", out, [&](size_t index) {
    if (index == 1) fs::remove_all(out + "/sub");
  });
  EXPECT_EQ(codes, (std::vector<int>{ACE_SUCCESS, ACE_SUCCESS}));
  EXPECT_EQ(Tree(out), (std::vector<std::string>{"sub/", "sub/deep/", "sub/deep/two.txt"}));
  EXPECT_EQ(ReadAll(out + "/sub/deep/two.txt"), "two");
}

TEST(AceOutput, AFolderReplacedBetweenEntriesByAFileOrAnOutsideLinkIsAWriteError) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"sub/one.txt", "one", false, AceMethod::Stored},
                            {"sub/two.txt", "two", false, AceMethod::Stored},
                            {"link/one.txt", "one", false, AceMethod::Stored},
                            {"link/two.txt", "two", false, AceMethod::Stored},
                            {"after.txt", "after", false, AceMethod::Stored}});
  const std::string out = temp / "out";
  fs::create_directories(temp / "outside");
  fs::create_directory(out);
  const auto codes = ExtractStepwise(temp / "a.ace", out, [&](size_t index) {
    if (index == 1) {
      fs::remove_all(out + "/sub");
      WriteAll(out + "/sub", "a file now");
    }
    if (index == 3) {
      fs::remove_all(out + "/link");
      fs::create_directory_symlink("../outside", out + "/link");
    }
  });
  EXPECT_EQ(codes, (std::vector<int>{ACE_SUCCESS, ACE_WRITE_PROTECTED, ACE_SUCCESS,
                                     ACE_WRITE_PROTECTED, ACE_SUCCESS}));
  EXPECT_EQ(ReadAll(out + "/sub"), "a file now");
  EXPECT_TRUE(fs::is_empty(temp / "outside"));
  EXPECT_EQ(ReadAll(out + "/after.txt"), "after");
}

TEST(AceOutput, ALinkInTheFilesPlaceIsReplacedAndItsTargetLeftAlone) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"to-file.txt", "new", false, AceMethod::Stored},
                            {"dangling.txt", "new too", false, AceMethod::Lz77}});
  const std::string out = temp / "out";
  fs::create_directory(out);
  WriteAll(out + "/target.txt", "kept");
  fs::create_symlink("target.txt", out + "/to-file.txt");
  fs::create_symlink("missing.txt", out + "/dangling.txt");
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
  EXPECT_EQ(walk.entries.size(), 2u);
  for (const auto& entry : walk.entries) EXPECT_EQ(entry.code, ACE_SUCCESS) << entry.name;
  EXPECT_EQ(Tree(out), (std::vector<std::string>{"dangling.txt", "target.txt", "to-file.txt"}));
  EXPECT_FALSE(fs::is_symlink(out + "/to-file.txt"));
  EXPECT_EQ(ReadAll(out + "/to-file.txt"), "new");
  EXPECT_EQ(ReadAll(out + "/target.txt"), "kept");
  EXPECT_EQ(ReadAll(out + "/dangling.txt"), "new too");
}

}  // namespace
}  // namespace unace::testing
