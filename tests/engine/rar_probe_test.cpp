// The probe's RAR step: what the library opens is "rar", whatever the file is called
// (.rar, a first volume .001, a self-extracting .exe); anything else is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/selection.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

using RarProbeTest = EngineTest;

TEST_F(RarProbeTest, ArchivesOfBothFormatsAreRarUnderEveryAcceptedName) {
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

TEST_F(RarProbeTest, OtherFilesAreNotRar) {
  WriteFileText(PathOf("text.rar"), "Rar! is not enough to make an archive");
  EXPECT_EQ(Detect(PathOf("text.rar")), "");
  WriteFileText(PathOf("program.exe"), SfxStub() + "no archive here");
  EXPECT_EQ(Detect(PathOf("program.exe")), "");
  WriteZip(PathOf("real.zip"), {{"a.txt", "a"}});
  EXPECT_EQ(Detect(PathOf("real.zip")), "zip") << "ZIP is probed first";
}

TEST_F(RarProbeTest, ASelectionOfAFileNoBackendOpensIsRefusedNamingIt) {
  WriteFileText(PathOf("fake.rar"), "not an archive");
  session.mainWindow.destinationBox.text = PathOf("");
  Select({PathOf("fake.rar")});
  Extract();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                NotSupportedStart(PathOf("fake.rar")) +
                                " If this file is part of an Ace, Rar, or Arj set, you must select "
                                "the first file in the set (i.e. \"MyFile.rar\") to process the "
                                "set."});
  EXPECT_EQ(dialogs.statusShown, 0);
}

TEST_F(RarProbeTest, SelfExtractingZipAndRarTogetherAreMixedTypes) {
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
