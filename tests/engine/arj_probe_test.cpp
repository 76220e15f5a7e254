// The probe's ARJ step: the headers rule other files out, the utility's listing decides,
// the batch file goes, the listing stays for the contents window.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/arj_fixture.h"
#include "engine/selection.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class ArjProbeTest : public ArjTest {
 protected:
  void SetUp() override {
    ArjTest::SetUp();
    LoadSettings(session.settings, dialogs);
  }
};

TEST_F(ArjProbeTest, AnArchiveIsArjAndItsListingStaysWhileTheBatchGoes) {
  const std::string archive = MakeArj(PathOf("my files.arj"), {{"inside.txt", "x"}});
  EXPECT_EQ(Detect(archive), "arj");
  const std::string scratch = session.settings.tempFolder;
  ASSERT_EQ(host.starts.size(), 1u);
  EXPECT_EQ(host.starts[0].windowStyle, 0);
  EXPECT_EQ(host.starts[0].argv,
            (std::vector<std::string>{TESSALY_BATCH_BIN, scratch + "Tessaly.bat"}));
  EXPECT_EQ(host.starts[0].batch,
            Batch({"\"/usr/bin/arj\" v -v -y \"" + archive + "\">\"" + scratch + "arjtmp.tmp\""}));
  EXPECT_FALSE(fs::exists(scratch + "Tessaly.bat"));
  EXPECT_NE(ReadFileText(scratch + "arjtmp.tmp").find("inside.txt"), std::string::npos);
  EXPECT_TRUE(recorder.snapshots.empty()) << "a probe moves no bar";
}

TEST_F(ArjProbeTest, SelfExtractingArchivesAreArjAndOtherFilesAreNot) {
  const std::string sfx = MakeArj(PathOf("setup.exe"), {{"read.me", "r"}}, {"-je"});
  EXPECT_EQ(Detect(sfx), "arj");
  EXPECT_TRUE(session.job.probeIsExe);

  WriteFileText(PathOf("fake.arj"), "this is not an archive at all");
  EXPECT_EQ(Detect(PathOf("fake.arj")), "");
  EXPECT_EQ(Detect("/bin/true"), "") << "a program is not an archive";
  EXPECT_EQ(host.starts.size(), 1u) << "the utility starts for no file without ARJ headers";
}

TEST_F(ArjProbeTest, AnOldBatchOrListingNeverAnswersForThisProbe) {
  const std::string scratch = session.settings.tempFolder;
  const std::string archive = MakeArj(PathOf("good.arj"), {{"g.txt", "g"}});
  const std::string marker = PathOf("stale batch ran");
  WriteFileText(scratch + "Tessaly.bat", Batch({"\"/usr/bin/touch\" \"" + marker + "\""}));
  EXPECT_EQ(Detect(PathOf("good.arj")), "arj");
  EXPECT_FALSE(fs::exists(marker));

  // The runner cannot start: the good listing of before must not make this file ARJ.
  MakeArj(PathOf("plain.arj"), {{"p.txt", "p"}});
  session.programs.batchRunner = PathOf("no-runner");
  EXPECT_EQ(Detect(PathOf("plain.arj")), "");
  EXPECT_FALSE(fs::exists(scratch + "Tessaly.bat"));
}

TEST_F(ArjProbeTest, APathThatCannotBeQuotedIsNotProbed) {
  const std::string archive = MakeArj(PathOf("say \"arj\".arj"), {{"s.txt", "s"}});
  EXPECT_EQ(Detect(archive), "");
  EXPECT_TRUE(host.starts.empty());
}

}  // namespace
}  // namespace tessaly::testing
