#include "safe_path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Cleaned {
  safepath_result result;
  std::string path;
  unsigned fixes;
};

Cleaned clean(const char* name) {
  char out[256];
  unsigned fixes = 0;
  const safepath_result result = safepath_clean(name, out, sizeof out, &fixes);
  return {result, out, fixes};
}

struct CleanCase {
  const char* name;
  const char* expected;
  safepath_result result;
  unsigned fixes;
};

TEST(SafePathClean, NeutralisesEveryWayOut) {
  const CleanCase cases[] = {
      {"a/b.txt", "a/b.txt", SAFEPATH_OK, 0},
      {"../up.txt", "../up.txt", SAFEPATH_OUTSIDE, 0},
      {"a/../../b/../c.txt", "a/../../b/../c.txt", SAFEPATH_OUTSIDE, 0},
      {"/../x", "../x", SAFEPATH_OUTSIDE, SAFEPATH_FIX_ABSOLUTE},
      {"a/./../b", "b", SAFEPATH_OK, 0},
      {"a/b/../../c/..d", "c/..d", SAFEPATH_OK, 0},
      {"/etc/passwd", "etc/passwd", SAFEPATH_OK, SAFEPATH_FIX_ABSOLUTE},
      {"///abs", "abs", SAFEPATH_OK, SAFEPATH_FIX_ABSOLUTE},
      {"C:/Windows/x", "Windows/x", SAFEPATH_OK, SAFEPATH_FIX_DRIVE | SAFEPATH_FIX_ABSOLUTE},
      {"c:rel.txt", "rel.txt", SAFEPATH_OK, SAFEPATH_FIX_DRIVE},
      {"C:\\evil\\x", "_evil_x", SAFEPATH_OK, SAFEPATH_FIX_DRIVE | SAFEPATH_FIX_BACKSLASH},
      {"..\\..\\x", ".._.._x", SAFEPATH_OK, SAFEPATH_FIX_BACKSLASH},
      {"\x1b[31m/bell\a\n\x7f.txt", "_[31m/bell___.txt", SAFEPATH_OK, SAFEPATH_FIX_CONTROL},
      {"a/./b//c", "a/b/c", SAFEPATH_OK, 0},
      {"dir/", "dir", SAFEPATH_OK, 0},
      {"ab:c/d", "ab:c/d", SAFEPATH_OK, 0},
      {"a/..", "", SAFEPATH_EMPTY, 0},
      {"/", "", SAFEPATH_EMPTY, SAFEPATH_FIX_ABSOLUTE},
      {"", "", SAFEPATH_EMPTY, 0},
  };
  for (const CleanCase& c : cases) {
    const Cleaned got = clean(c.name);
    EXPECT_EQ(got.result, c.result) << c.name;
    EXPECT_EQ(got.path, c.expected) << c.name;
    EXPECT_EQ(got.fixes, c.fixes) << c.name;
  }
}

TEST(SafePathClean, ReportsAShortBuffer) {
  char out[4];
  EXPECT_EQ(safepath_clean("abcd", out, sizeof out, nullptr), SAFEPATH_TOO_LONG);
  EXPECT_EQ(safepath_clean("abc", out, sizeof out, nullptr), SAFEPATH_OK);
  EXPECT_STREQ(out, "abc");
}

class SafePathTree : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() /
            ("safepath-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
    fs::create_directories(base_ / "dest/sub");
    fs::create_directories(base_ / "outside");
  }
  void TearDown() override { fs::remove_all(base_); }

  std::string dest() const { return (base_ / "dest").string(); }

  safepath_result resolve(const char* name, std::string* cleaned = nullptr) {
    char out[512];
    const safepath_result result = safepath_resolve(dest().c_str(), name, out, sizeof out, nullptr);
    if (cleaned) *cleaned = out;
    return result;
  }

  fs::path base_;
};

TEST_F(SafePathTree, PlainNamesAndInsideLinksPass) {
  std::string cleaned;
  EXPECT_EQ(resolve("sub/new/file.txt", &cleaned), SAFEPATH_OK);
  EXPECT_EQ(cleaned, "sub/new/file.txt");
  fs::create_directory_symlink("sub", base_ / "dest/alias");
  EXPECT_EQ(resolve("alias/file.txt"), SAFEPATH_OK);
  std::ofstream(base_ / "dest/sub/file.txt") << "x";
  fs::create_symlink("sub/file.txt", base_ / "dest/inside-file");
  EXPECT_EQ(resolve("inside-file"), SAFEPATH_OK);
}

TEST_F(SafePathTree, RefusesWritingThroughALinkThatLeaves) {
  fs::create_directory_symlink(base_ / "outside", base_ / "dest/escape");
  EXPECT_EQ(resolve("escape/file.txt"), SAFEPATH_OUTSIDE);
  EXPECT_EQ(resolve("escape"), SAFEPATH_OUTSIDE);
  fs::create_directory_symlink("../..", base_ / "dest/sub/up");
  EXPECT_EQ(resolve("sub/up/x"), SAFEPATH_OUTSIDE);
  fs::create_symlink(base_ / "outside/target.txt", base_ / "dest/file-link");
  EXPECT_EQ(resolve("file-link"), SAFEPATH_OUTSIDE);
  fs::create_symlink("../outside/new.txt", base_ / "dest/dangling-out");
  EXPECT_EQ(resolve("dangling-out"), SAFEPATH_OUTSIDE);
  fs::create_symlink(base_ / "outside/new.txt", base_ / "dest/dangling-abs");
  EXPECT_EQ(resolve("dangling-abs"), SAFEPATH_OUTSIDE);
  fs::create_symlink("missing/nowhere", base_ / "dest/dangling-dir");
  EXPECT_EQ(resolve("dangling-dir/f.txt"), SAFEPATH_OUTSIDE);
  fs::create_symlink("self-loop", base_ / "dest/self-loop");
  EXPECT_EQ(resolve("self-loop"), SAFEPATH_OUTSIDE);
  EXPECT_FALSE(fs::exists(base_ / "outside/file.txt"));
}

TEST_F(SafePathTree, DanglingLinkThatLandsInsidePasses) {
  fs::create_symlink("sub/later.txt", base_ / "dest/later");
  EXPECT_EQ(resolve("later"), SAFEPATH_OK);
  fs::create_symlink("missing/../../x", base_ / "dest/lexical");
  EXPECT_EQ(resolve("lexical"), SAFEPATH_OUTSIDE);
  fs::create_directory_symlink(base_ / "outside", base_ / "dest/sub/esc");
  fs::create_symlink("sub/esc/new.txt", base_ / "dest/through");
  EXPECT_EQ(resolve("through"), SAFEPATH_OUTSIDE);
}

// "escape/.." is lexically nothing: the link is never looked at. A path too long to
// look up is left for its creation to refuse.
TEST_F(SafePathTree, CleaningHappensBeforeTheWalk) {
  fs::create_directory_symlink(base_ / "outside", base_ / "dest/escape");
  std::string cleaned;
  EXPECT_EQ(resolve("/escape/../sub/x.txt", &cleaned), SAFEPATH_OK);
  EXPECT_EQ(cleaned, "sub/x.txt");
  EXPECT_EQ(resolve("sub/../../dest/x.txt"), SAFEPATH_OUTSIDE);
  EXPECT_EQ(resolve(std::string(300, 'd').c_str()), SAFEPATH_OK);
}

TEST_F(SafePathTree, MissingRootIsAnError) {
  char out[64];
  EXPECT_EQ(safepath_resolve((base_ / "nope").c_str(), "a", out, sizeof out, nullptr),
            SAFEPATH_IO_ERROR);
}

struct LinkCase {
  const char* link;
  const char* target;
  safepath_result result;
};

TEST_F(SafePathTree, LinkTargetsMustStayInside) {
  fs::create_directory_symlink(base_ / "outside", base_ / "dest/escape");
  fs::create_directory_symlink(".", base_ / "dest/self");
  const LinkCase cases[] = {
      {"l", "sub/file.txt", SAFEPATH_OK},     {"sub/l", "../file.txt", SAFEPATH_OK},
      {"sub/l", "../sub/./x", SAFEPATH_OK},   {"l", "missing/later.txt", SAFEPATH_OK},
      {"l", "../x", SAFEPATH_OUTSIDE},        {"sub/l", "../../x", SAFEPATH_OUTSIDE},
      {"l", "/etc/passwd", SAFEPATH_OUTSIDE}, {"l", "C:/x", SAFEPATH_OUTSIDE},
      {"l", "escape/x", SAFEPATH_OUTSIDE},    {"l", "sub/../../x", SAFEPATH_OUTSIDE},
      {"l", "self/../x", SAFEPATH_OUTSIDE},   {"l", "", SAFEPATH_EMPTY},
  };
  for (const LinkCase& c : cases) {
    EXPECT_EQ(safepath_check_link(dest().c_str(), c.link, c.target), c.result)
        << c.link << " -> " << c.target;
  }
}

TEST_F(SafePathTree, CurrentFolderIsTheDefaultRoot) {
  const fs::path previous = fs::current_path();
  fs::current_path(base_ / "dest");
  char out[64];
  EXPECT_EQ(safepath_resolve(nullptr, "sub/a", out, sizeof out, nullptr), SAFEPATH_OK);
  EXPECT_EQ(safepath_check_link("", "l", "../x"), SAFEPATH_OUTSIDE);
  fs::current_path(previous);
}

}  // namespace
