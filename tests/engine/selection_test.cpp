// What a selection is: the content probe (ZIP, RAR and ACE steps), the refusals of
// ClassifySelection, and jobs started from the command line.
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

namespace fs = std::filesystem;

class SelectionTest : public EngineTest {
 protected:
  SelectionTest() { WriteZip(PathOf("a.zip"), {{"a.txt", "alpha"}}); }
};

TEST_F(SelectionTest, TheProbeFindsZipArchivesByTheirContents) {
  WriteSelfExtracting(PathOf("stub.exe"), PathOf("a.zip"));
  fs::copy_file(PathOf("a.zip"), PathOf("set.001"));
  fs::copy_file("/bin/true", PathOf("prog.exe"));
  WriteFileText(PathOf("empty.zip"), "");
  struct Case {
    std::string file;
    std::string type;
    bool isExe;
  };
  const Case cases[] = {
      {"a.zip", "zip", false}, {"stub.exe", "zip", true}, {"set.001", "zip", false},
      {"prog.exe", "", true},  {"empty.zip", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(DetectArchiveType(session, PathOf(c.file)), c.type);
    EXPECT_EQ(session.job.probeIsExe, c.isExe);
    EXPECT_FALSE(session.job.probeMode);
    EXPECT_FALSE(session.job.countingPass);
  }
  EXPECT_TRUE(dialogs.messages.empty()) << "the probe shows nothing";
  EXPECT_EQ(session.status.messageLabel, "");
}

// The type comes from the contents whatever the name: ZIP-based documents, a ZIP
// archive named like a tar or like text.
TEST_F(SelectionTest, ClassifyProbesEveryFileWhateverItsName) {
  for (const char* name : {"b.001", "c.TAR.GZ", "c.txt", "d.jar", "e.epub", "f.docx", "g"}) {
    fs::copy_file(PathOf("a.zip"), PathOf(name));
    session.job.selectedFiles = {PathOf(name)};
    EXPECT_EQ(ClassifySelection(session), "zip") << name;
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SelectionTest, AGivenCommandLineExtractsIntoTheDestinationBoxOneOfBlanksDoesNothing) {
  ParseCommandLine(session, std::string(" \t  \t "));
  ParseCommandLine(session, std::nullopt, {});
  EXPECT_EQ(pump.pumps, 0);
  EXPECT_EQ(session.job.selectedCount, 0);

  WriteZip(PathOf("b.zip"), {{"b.txt", "bravo"}});
  fs::create_directory(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  session.job.dropMode = true;
  ParseCommandLine(session, PathOf("a.zip") + " \t" + PathOf("b.zip"));
  EXPECT_TRUE(dialogs.destinationRequests.empty());
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");
  EXPECT_EQ(ReadFileText(PathOf("out/b.txt")), "bravo");
  EXPECT_FALSE(session.job.dropMode);
  EXPECT_EQ(session.job.activeBackend, "") << "the job is over";
}

TEST_F(SelectionTest, AnUnsupportedTokenEndsTheStartQuietlyAfterItsMessage) {
  ParseCommandLine(session, PathOf("a.zip") + " " + PathOf("notes.txt"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, NotSupportedStart(PathOf("notes.txt")));
  EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(dialogs.statusShown, 0);
}

TEST_F(SelectionTest, OnlyTheFirstHundredTokensAreUsed) {
  SetSetting("zip options", "auto overwrite", "1");
  fs::create_directory(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  std::string line;
  for (int i = 0; i < 100; ++i) line += PathOf("a.zip") + " ";
  for (int i = 0; i < 50; ++i) line += PathOf("notes.txt") + " ";
  ParseCommandLine(session, line);
  EXPECT_TRUE(dialogs.messages.empty()) << "token 101 was looked at";
  EXPECT_EQ(session.job.selectedCount, 100);
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");
}

TEST_F(SelectionTest, TheProgramsOwnArgumentsAskForADestinationFirst) {
  fs::create_directory(PathOf("my dir"));
  WriteZip(PathOf("my dir/c d.zip"), {{"c.txt", "charlie"}});
  DestinationAnswer answer;
  answer.chosenDestination = PathOf("out") + "/";
  answer.perArchiveFolder = true;
  fs::create_directory(PathOf("out"));
  dialogs.destinationAnswers = {answer};
  ParseCommandLine(session, std::nullopt, {PathOf("my dir/c d.zip"), PathOf("a.zip")});

  ASSERT_EQ(dialogs.destinationRequests.size(), 1u);
  const DestinationRequest& request = dialogs.destinationRequests[0];
  EXPECT_EQ(request.caption, "Extract to...");
  EXPECT_TRUE(request.showPerArchiveCheck);
  EXPECT_EQ(request.startFolder, session.mainWindow.currentFolder);
  EXPECT_EQ(mainWindow.Count("Show"), 1);
  EXPECT_EQ(session.mainWindow.destinationBox.text, PathOf("out") + "/");
  EXPECT_EQ(ReadFileText(PathOf("out/c d/c.txt")), "charlie");
  EXPECT_EQ(ReadFileText(PathOf("out/a/a.txt")), "alpha");
}

TEST_F(SelectionTest, CancellingTheDestinationAtStartUpExtractsNothing) {
  session.mainWindow.destinationBox.text = PathOf("last");
  dialogs.destinationAnswers = {DestinationAnswer{}};
  ParseCommandLine(session, std::nullopt, {PathOf("a.zip")});
  ASSERT_EQ(dialogs.destinationRequests.size(), 1u);
  EXPECT_EQ(dialogs.destinationRequests[0].startFolder, PathOf("last"));
  EXPECT_EQ(dialogs.statusShown, 0);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(session.mainWindow.destinationBox.text, PathOf("last"));
}

// The probe's RAR and ACE steps: what a library opens is its type, whatever the file
// is called (.rar, .ace, a first volume, a self-extracting .exe); anything else is
// refused.
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
  fs::create_directory(PathOf("out"));
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
