// The probe's ACE step: what the library opens is "ace", whatever the file is called
// (.ace, the first volume of a set, a self-extracting .exe); anything else is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/selection.h"
#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

using AceProbeTest = EngineTest;

TEST_F(AceProbeTest, ArchivesAreAceUnderEveryAcceptedName) {
  WriteAce(PathOf("plain.ace"), {{"a.txt", "a"}});
  EXPECT_EQ(Detect(PathOf("plain.ace")), "ace");

  const std::vector<std::string> volumes = WriteAceVolumes(
      PathOf("set"), 10, {{"big.txt", std::string(25, 'b'), false, AceMethod::Stored}});
  ASSERT_GE(volumes.size(), 2u);
  EXPECT_EQ(Detect(volumes[0]), "ace");

  AceOptions locked;
  locked.password = "pw";
  WriteAce(PathOf("locked.ace"), {{"a.txt", "a", false, AceMethod::Lz77, true}}, locked);
  EXPECT_EQ(Detect(PathOf("locked.ace")), "ace") << "passwords are asked when extracting";
}

TEST_F(AceProbeTest, OtherFilesAreNotAce) {
  WriteFileText(PathOf("text.ace"), "**ACE** is not enough to make an archive");
  EXPECT_EQ(Detect(PathOf("text.ace")), "");
  WriteFileText(PathOf("program.exe"), SfxStub() + "no archive here");
  EXPECT_EQ(Detect(PathOf("program.exe")), "");
  WriteZip(PathOf("real.zip"), {{"a.txt", "a"}});
  EXPECT_EQ(Detect(PathOf("real.zip")), "zip") << "ZIP is probed first";
}

// Found behind its stub and extracted.
TEST_F(AceProbeTest, ASelfExtractingAceIsExtractedThroughTheDriver) {
  AceOptions sfx;
  sfx.sfxPrefix = SfxStub();
  WriteAce(PathOf("setup.exe"), {{"readme.txt", "read me"}}, sfx);
  std::filesystem::create_directory(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  Select({PathOf("setup.exe")});
  Extract();
  EXPECT_EQ(session.job.archiveType, "ace");
  EXPECT_EQ(ReadFileText(PathOf("out/readme.txt")), "read me");
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

}  // namespace
}  // namespace tessaly::testing
