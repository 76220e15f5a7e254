// Nothing is ever written through links: links in the archive, links already in the
// folder (names that climb out are refused in WizNames and shown through the ZIP
// backend, as is a full disk).
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint32_t kLinkMode = 0120777;

class WizTraversal : public WizTest {
 protected:
  void SetUp() override {
    WizTest::SetUp();
    fs::create_directories("out");
    fs::create_directories("outside");
    call_.options.noflag = 1;
  }
};

std::string unsafe(const std::string& name) {
  return skipping(name, "unsafe path");
}

TEST_F(WizTraversal, LinksInsideAreMadeLinksOutsideAreRefused) {
  EXPECT_EQ(
      extract({Entry("target.txt", "t"), Entry("sub/in", "../target.txt").mode(kLinkMode),
               Entry("up", "../outside").mode(kLinkMode), Entry("abs", "/etc").mode(kLinkMode),
               Entry("sub/deep", "x/../../../outside").mode(kLinkMode)}),
      PK_ERR);
  EXPECT_EQ(fs::read_symlink("out/sub/in"), "../target.txt");
  EXPECT_EQ(read_text("out/sub/in"), "t");
  EXPECT_FALSE(fs::exists(fs::symlink_status("out/up")));
  EXPECT_FALSE(fs::exists(fs::symlink_status("out/abs")));
  EXPECT_FALSE(fs::exists(fs::symlink_status("out/sub/deep")));
  EXPECT_EQ(recorder_.chunks, chunks({extracting("out/target.txt"), "\n", extracting("out/sub/in"),
                                      "\n", unsafe("up"), unsafe("abs"), unsafe("sub/deep")}));
}

TEST_F(WizTraversal, DanglingLinkInsideCanBeExtractedAgain) {
  EXPECT_EQ(extract({Entry("later", "not/yet/there.txt").mode(kLinkMode)}), PK_OK);
  Recorder again;
  EXPECT_EQ(call_.run(again), PK_OK) << again.joined();
  EXPECT_EQ(fs::read_symlink("out/later"), "not/yet/there.txt");
}

// A link leading out is refused; one to a file inside is replaced, not followed.
TEST_F(WizTraversal, LinkAlreadyInTheFolderIsNeverWrittenThrough) {
  fs::create_directory_symlink(fs::absolute("outside"), "out/esc");
  write_text("outside/victim.txt", "safe");
  fs::create_symlink(fs::absolute("outside/victim.txt"), "out/victim.txt");
  write_text("out/real.txt", "real");
  fs::create_symlink("real.txt", "out/alias.txt");
  EXPECT_EQ(extract({Entry("esc/f.txt", "f"), Entry("victim.txt", "overwritten"),
                     Entry("alias.txt", "new")}),
            PK_ERR);
  EXPECT_EQ(recorder_.chunks,
            chunks({unsafe("esc/f.txt"), unsafe("victim.txt"), extracting("out/alias.txt"), "\n"}));
  EXPECT_EQ(read_text("outside/victim.txt"), "safe");
  EXPECT_FALSE(fs::exists("outside/f.txt"));
  EXPECT_EQ(recorder_.service_calls.size(), 1u);
  EXPECT_FALSE(fs::is_symlink("out/alias.txt"));
  EXPECT_EQ(read_text("out/alias.txt"), "new");
  EXPECT_EQ(read_text("out/real.txt"), "real");
}

}  // namespace
}  // namespace unzip::test
