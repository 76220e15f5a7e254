// ARJ jobs through the built tessaly-extract: with Hide Output "0" the terminal is the
// utility's console window (its output and questions go there, and "Finished" is
// printed when the batch ends); hidden, the utility prints nothing and is never left
// with a question nobody can answer. Passwords given with -p are the corpus tests' part.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/extract_program_fixture.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::string kBig(12000, 'v');

class ArjExtractProgramTest : public ExtractProgramTest {
 protected:
  void SetUp() override {
    ExtractProgramTest::SetUp();
    if (!fs::exists(kArjUtility)) GTEST_SKIP() << "the ARJ utility is not installed";
    MakeArj("pack.arj", false);
  }
  // work()/name holding a.txt and sub/b.txt, in that order; as a set of two volumes,
  // big.bin follows them.
  void MakeArj(const std::string& name, bool volumeSet) {
    const fs::path staging = work() / "staging";
    fs::create_directories(staging / "sub");
    WriteFileText(staging / "a.txt", "from the archive");
    WriteFileText(staging / "sub/b.txt", "b");
    ProcessRequest request;
    request.argv = {kArjUtility, "a", "-y", (work() / name).string(), "a.txt", "sub/b.txt"};
    if (volumeSet) {
      WriteFileText(staging / "big.bin", kBig);
      request.argv.insert(request.argv.end(), {"big.bin", "-m0", "-v10000"});
    }
    request.workDir = staging;
    ASSERT_EQ(RunProcess(request).exitStatus, 0);
    fs::remove_all(staging);
  }
  void WriteSettings(const std::string& hideOutput, const std::string& closeWindow,
                     const std::string& autoOverwrite) {
    WriteFileText(config() / "Brindlemoor/Tessaly 3.6.conf",
                  "[General]\nFirst time=0\nShow confirmation=0\nHide Output=" + hideOutput +
                      "\nClose extract window=" + closeWindow + "\n[Utility Locations]\narj=" +
                      kArjUtility + "\n[arj options]\nauto overwrite=" + autoOverwrite + "\n");
  }
};

// Shown, the utility unpacks into a fresh staging folder and goes on to the next volume
// unasked, also with nobody to answer; the a.txt already in the destination is kept by
// -n. Hidden, it prints nothing; without auto overwrite it would ask in the hidden
// window whether to make the folder sub.
TEST_F(ArjExtractProgramTest, AVisibleRunAsksNothingOfAVolumeSetAHiddenOneIsSilent) {
  MakeArj("set.arj", true);
  ASSERT_TRUE(fs::exists(work() / "set.a01"));
  WriteSettings("0", "0", "0");
  WriteFileText(work() / "out/a.txt", "old");
  ProcessResult run = Run({"-y", "-n", "-d", "out", "set.arj"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("Extracting a.txt"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("OK to process next volume"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Overwrite?"), std::string::npos) << run.out;
  EXPECT_EQ(ReadFileText(work() / "out/sub/b.txt"), "b");
  EXPECT_EQ(ReadFileText(work() / "out/a.txt"), "old");
  EXPECT_EQ(ReadFileText(work() / "out/big.bin"), kBig);
  EXPECT_EQ(TreeOf(work() / "out"),
            (std::vector<std::string>{"a.txt", "big.bin", "sub/", "sub/b.txt"}));
  EXPECT_EQ(Occurrences(run.err, "Finished\n"), 1u) << run.err;

  WriteSettings("1", "1", "");
  run = Run({"-y", "-d", "hidden", "pack.arj"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out.find("Extracting"), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find("Finished\n"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileText(work() / "hidden/a.txt"), "from the archive");
  EXPECT_EQ(ReadFileText(work() / "hidden/sub/b.txt"), "b");
}

}  // namespace
}  // namespace tessaly::testing
