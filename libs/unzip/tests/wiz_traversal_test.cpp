// Nothing is ever written outside the extraction folder: stored names, links in the
// archive, links already in the folder, and a full disk that stops the call.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

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
  bool outside_is_empty() const { return fs::is_empty("outside"); }
};

std::string unsafe(const std::string& name) {
  return "   skipping: " + pad(name) + "  unsafe path\n";
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

TEST_F(WizTraversal, LinkAlreadyInTheFolderIsNeverWrittenThrough) {
  fs::create_directory_symlink(fs::absolute("outside"), "out/esc");
  write_text("outside/victim.txt", "safe");
  fs::create_symlink(fs::absolute("outside/victim.txt"), "out/victim.txt");
  EXPECT_EQ(extract({Entry("esc/f.txt", "f"), Entry("victim.txt", "overwritten"),
                     Entry("fine.txt", "ok")}),
            PK_ERR);
  EXPECT_EQ(recorder_.chunks,
            chunks({unsafe("esc/f.txt"), unsafe("victim.txt"), extracting("out/fine.txt"), "\n"}));
  EXPECT_EQ(read_text("outside/victim.txt"), "safe");
  EXPECT_FALSE(fs::exists("outside/f.txt"));
  EXPECT_TRUE(recorder_.service_calls.size() == 1u);
}

TEST_F(WizTraversal, LinkToAFileInsideIsReplacedNotFollowed) {
  write_text("out/real.txt", "real");
  fs::create_symlink("real.txt", "out/alias.txt");
  EXPECT_EQ(extract({Entry("alias.txt", "new")}), PK_OK);
  EXPECT_FALSE(fs::is_symlink("out/alias.txt"));
  EXPECT_EQ(read_text("out/alias.txt"), "new");
  EXPECT_EQ(read_text("out/real.txt"), "real");
}

TEST_F(WizTraversal, NamesThatTryToLeave) {
  EXPECT_EQ(extract({Entry("../../outside/a.txt", "a"), Entry("/abs/b.txt", "b"),
                     Entry("C:/win/c.txt", "c"), Entry("..\\..\\d.txt", "d").host(ZIP_OPSYS_DOS)}),
            PK_WARN);
  EXPECT_TRUE(outside_is_empty());
  EXPECT_EQ(read_text("out/outside/a.txt"), "a");
  EXPECT_EQ(read_text("out/abs/b.txt"), "b");
  EXPECT_EQ(read_text("out/win/c.txt"), "c");
  EXPECT_EQ(read_text("out/d.txt"), "d");
  call_.options.ndflag = 2;  // treated as 1: ".." never survives
  Recorder again;
  EXPECT_EQ(call_.run(again), PK_WARN);
  EXPECT_TRUE(outside_is_empty());
}

// A file size limit stands for a full disk: writes beyond it fail with EFBIG. It is
// lifted as soon as the call returns. The file the entry was to replace stays, and no
// partial file is left beside it.
TEST_F(WizTraversal, FullDiskStopsTheCall) {
  std::string big(300 * 1024, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + (i >> 9));
  write_zip("t.zip", {Entry("big.bin", big, ZIP_CM_DEFLATE), Entry("next.txt", "n")});
  write_text("out/big.bin", "old");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 100 * 1024;
  const auto previous_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const int32_t code = extract("t.zip");
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous_handler);

  EXPECT_EQ(code, PK_DISK);
  EXPECT_EQ(recorder_.chunks,
            chunks({inflating("out/big.bin"), "out/big.bin:  write error (disk full?).\n"}));
  EXPECT_TRUE(recorder_.service_calls.empty());
  EXPECT_EQ(read_text("out/big.bin"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator("out"), {}), 1);
}

}  // namespace
}  // namespace unzip::test
