// What extraction leaves on disk when the destination changes between two entries of
// one extraction, or holds links where entries go.
#include <gtest/gtest.h>

#include <functional>

#include "api_test_support.h"

namespace unace::testing {
namespace {

class AceOutput : public ApiTest {};

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

// A folder removed is made again; one replaced by a file or by a link that leaves the
// destination is a write error for the entries below it.
TEST_F(AceOutput, AFolderChangedBetweenEntries) {
  WriteAce(temp / "a.ace", {{"gone/deep/one.txt", "one", false, AceMethod::Stored},
                            {"gone/deep/two.txt", "two", false, AceMethod::Lz77},
                            {"sub/one.txt", "one", false, AceMethod::Stored},
                            {"sub/two.txt", "two", false, AceMethod::Stored},
                            {"link/one.txt", "one", false, AceMethod::Stored},
                            {"link/two.txt", "two", false, AceMethod::Stored},
                            {"after.txt", "after", false, AceMethod::Stored}});
  fs::create_directories(temp / "outside");
  const auto codes = ExtractStepwise(temp / "a.ace", out, [&](size_t index) {
    if (index == 1) fs::remove_all(out + "/gone");
    if (index == 3) {
      fs::remove_all(out + "/sub");
      WriteAll(out + "/sub", "a file now");
    }
    if (index == 5) {
      fs::remove_all(out + "/link");
      fs::create_directory_symlink("../outside", out + "/link");
    }
  });
  EXPECT_EQ(codes, (std::vector<int>{ACE_SUCCESS, ACE_SUCCESS, ACE_SUCCESS, ACE_WRITE_PROTECTED,
                                     ACE_SUCCESS, ACE_WRITE_PROTECTED, ACE_SUCCESS}));
  EXPECT_EQ(Tree(out + "/gone"), (std::vector<std::string>{"deep/", "deep/two.txt"}));
  EXPECT_EQ(ReadAll(out + "/gone/deep/two.txt"), "two");
  EXPECT_EQ(ReadAll(out + "/sub"), "a file now");
  EXPECT_TRUE(fs::is_empty(temp / "outside"));
  EXPECT_EQ(ReadAll(out + "/after.txt"), "after");
}

TEST_F(AceOutput, ALinkInTheFilesPlaceIsReplacedAndItsTargetLeftAlone) {
  WriteAce(temp / "a.ace", {{"to-file.txt", "new", false, AceMethod::Stored},
                            {"dangling.txt", "new too", false, AceMethod::Lz77}});
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
