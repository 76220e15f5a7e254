// The probe's RAR and ACE steps: what a library opens is its type, whatever the file
// is called (.rar, .ace, a first volume, a self-extracting .exe); anything else is
// refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/selection.h"
#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

using RarAceProbeTest = EngineTest;

TEST_F(RarAceProbeTest, ArchivesOfBothFormatsAreRarUnderEveryAcceptedName) {
  for (const RarFormat format : {RarFormat::Rar4, RarFormat::Rar5}) {
    const std::string tag = format == RarFormat::Rar4 ? "4" : "5";
    RarOptions options;
    options.format = format;
    WriteRar(PathOf("plain" + tag + ".rar"), {{"a.txt", "a"}}, options);
    EXPECT_EQ(Detect(PathOf("plain" + tag + ".rar")), "rar") << tag;

    const std::vector<std::string> volumes =
        WriteRarVolumes(PathOf("set" + tag), RarVolumeNaming::Numbered, 10,
                        {{"big.txt", std::string(25, 'b')}}, options);
    EXPECT_EQ(Detect(volumes[0]), "rar") << tag;

    options.sfxPrefix = SfxStub();
    WriteRar(PathOf("setup" + tag + ".exe"), {{"a.txt", "a"}}, options);
    EXPECT_EQ(Detect(PathOf("setup" + tag + ".exe")), "rar") << tag;
    EXPECT_TRUE(session.job.probeIsExe);

    options.sfxPrefix.clear();
    options.password = "pw";
    options.encryptHeaders = true;
    WriteRar(PathOf("hidden" + tag + ".rar"), {{"a.txt", "a"}}, options);
    EXPECT_EQ(Detect(PathOf("hidden" + tag + ".rar")), "rar")
        << tag << ": encrypted headers are asked for when extracting";
  }
}

TEST_F(RarAceProbeTest, ArchivesAreAceUnderEveryAcceptedName) {
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

TEST_F(RarAceProbeTest, ASignatureOrAStubAloneIsNoArchive) {
  WriteFileText(PathOf("text.rar"), "Rar! is not enough to make an archive");
  WriteFileText(PathOf("text.ace"), "**ACE** is not enough to make an archive");
  WriteFileText(PathOf("program.exe"), SfxStub() + "no archive here");
  for (const char* name : {"text.rar", "text.ace", "program.exe"}) {
    EXPECT_EQ(Detect(PathOf(name)), "") << name;
  }
  WriteZip(PathOf("real.zip"), {{"a.txt", "a"}});
  EXPECT_EQ(Detect(PathOf("real.zip")), "zip") << "ZIP is probed first";
}

// Found behind its stub and extracted.
TEST_F(RarAceProbeTest, ASelfExtractingAceIsExtractedThroughTheDriver) {
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

TEST_F(RarAceProbeTest, SelfExtractingZipAndRarTogetherAreMixedTypes) {
  WriteZip(PathOf("inner.zip"), {{"z.txt", "z"}});
  WriteFileText(PathOf("zip.exe"), SfxStub() + ReadFileText(PathOf("inner.zip")));
  RarOptions options;
  options.sfxPrefix = SfxStub();
  WriteRar(PathOf("rar.exe"), {{"r.txt", "r"}}, options);
  session.mainWindow.destinationBox.text = PathOf("");
  Select({PathOf("zip.exe"), PathOf("rar.exe")});
  Extract();
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{"You have included more than one archive type in your file "
                                     "selection. Please select only files of the same archive "
                                     "type."});
  EXPECT_EQ(dialogs.statusShown, 0);
}

}  // namespace
}  // namespace tessaly::testing
