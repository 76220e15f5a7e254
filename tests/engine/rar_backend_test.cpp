// What only RAR jobs do, through the driver and the real library on archives the
// writer makes: passwords and the reopen, encrypted headers, volume sets, and Cancel
// in the counting pass. What every in-process format does is in the hostile archive
// tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/rar/rar_backend.h"
#include "support/cancelling_pump.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::string kMissingVolume =
    "Tessaly could not complete the extract operation because this RAR set is missing one or "
    "more of its volumes. If this archive set is located on seperate floppy disks, please copy "
    "all of the volumes to a single folder on your harddrive and extract them from there, as "
    "Tessaly does not presently support archive sets which contain volumes which are not "
    "located in the same folder.";

RarEntrySpec Encrypted(const std::string& name, const std::string& data) {
  return {name, data, false, true};
}

class RarBackendTest : public DestinationJobTest {
 protected:
  static std::string PasswordPrompt(const std::string& name) {
    return "The file " + name +
           " is encrypted with a password. Please enter the password below to extract.";
  }
  static void SetAutoOverwrite(const std::string& value) {
    SetSetting("rar options", "auto overwrite", value);
  }
  std::vector<std::string> PasswordPrompts() const {
    std::vector<std::string> prompts;
    for (const RecordedInput& input : dialogs.inputs) {
      EXPECT_EQ(input.title, "Enter Password");
      EXPECT_EQ(input.defaultText, "");
      prompts.push_back(input.prompt);
    }
    return prompts;
  }
};

class RarFormatTest : public RarBackendTest, public ::testing::WithParamInterface<RarFormat> {
 protected:
  RarOptions Options(const std::string& password = "") const {
    RarOptions options;
    options.format = GetParam();
    options.password = password;
    return options;
  }
};

TEST_P(RarFormatTest, AnEncryptedFirstEntryIsAskedForOnceAndEverythingIsExtracted) {
  const std::string archive = PathOf("locked.rar");
  WriteRar(archive, {Encrypted("secret.txt", "hidden"), {"open.txt", "plain"}},
           Options("pass1234"));
  dialogs.inputAnswers = {"pass1234"};
  ExtractOne(archive);
  EXPECT_EQ(PasswordPrompts(), std::vector<std::string>{PasswordPrompt("secret.txt")});
  EXPECT_EQ(ReadFileText(Out("secret.txt")), "hidden");
  EXPECT_EQ(ReadFileText(Out("open.txt")), "plain");
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

TEST_P(RarFormatTest, EncryptedHeadersAskForThePasswordNamingTheArchive) {
  const std::string archive = PathOf("hidden.rar");
  RarOptions options = Options("pass1234");
  options.encryptHeaders = true;
  WriteRar(archive, {{"a.txt", "alpha"}, {"b.txt", "beta"}}, options);
  dialogs.inputAnswers = {"pass1234"};
  ExtractOne(archive);
  EXPECT_EQ(PasswordPrompts(), std::vector<std::string>{PasswordPrompt("hidden.rar")});
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(session.status.progressMax, 3) << "counted again with the password";
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// The first part of a split encrypted entry has the "continued in the next volume"
// bit as well: it is asked for all the same.
TEST_P(RarFormatTest, AVolumeSetExtractsAnEncryptedEntrySplitAcrossIt) {
  const std::string big(300, 'x');
  const std::vector<std::string> volumes =
      WriteRarVolumes(PathOf("set"), RarVolumeNaming::PartN, 100,
                      {Encrypted("big.txt", big), {"end.txt", "e"}}, Options("pass1234"));
  dialogs.inputAnswers = {"pass1234"};
  ExtractOne(volumes[0]);
  EXPECT_EQ(PasswordPrompts(), std::vector<std::string>{PasswordPrompt("big.txt")});
  EXPECT_EQ(ReadFileText(Out("big.txt")), big);
  EXPECT_EQ(ReadFileText(Out("end.txt")), "e");
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + volumes.back()));
  EXPECT_EQ(session.status.archiveLabel, kFinished);
  EXPECT_TRUE(dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(BothFormats, RarFormatTest,
                         ::testing::Values(RarFormat::Rar4, RarFormat::Rar5), [](const auto& info) {
                           return info.param == RarFormat::Rar4 ? std::string("Rar4")
                                                                : std::string("Rar5");
                         });

TEST_F(RarBackendTest, AThirdEncryptedEntryExtractsTheFirstTwoAgainAskingAboutEach) {
  SetAutoOverwrite("0");
  const std::string archive = PathOf("third.rar");
  RarOptions options;
  options.password = "pw";
  WriteRar(archive,
           {RarFolder("dir"), {"one.txt", "1"}, {"two.txt", "2"}, Encrypted("three.txt", "3")},
           options);
  WriteFileText(Out("one.txt"), "old");
  WriteFileText(Out("two.txt"), "old");
  dialogs.inputAnswers = {"pw"};
  // Before the password: keep both; after it, keep one.txt and replace two.txt.
  dialogs.fileExistsAnswers = {"No", "No", "No", "Yes"};
  ExtractOne(archive);
  EXPECT_EQ(PasswordPrompts(), std::vector<std::string>{PasswordPrompt("three.txt")});
  EXPECT_EQ(dialogs.fileExistsQuestions,
            (std::vector<std::string>{ExistsQuestion("one.txt"), ExistsQuestion("two.txt"),
                                      ExistsQuestion("one.txt"), ExistsQuestion("two.txt")}))
      << "the folder entry is never asked about";
  EXPECT_EQ(ReadFileText(Out("one.txt")), "old");
  EXPECT_EQ(ReadFileText(Out("two.txt")), "2");
  EXPECT_EQ(ReadFileText(Out("three.txt")), "3");
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

TEST_F(RarBackendTest, AMissingVolumeStopsWithItsMessageKeepingWhatWasExtracted) {
  const std::vector<std::string> volumes =
      WriteRarVolumes(PathOf("set"), RarVolumeNaming::PartN, 100,
                      {{"first.txt", std::string(50, 'f')}, {"big.txt", std::string(300, 'b')}});
  ASSERT_GE(volumes.size(), 3u);
  fs::remove(volumes[1]);
  ExtractOne(volumes[0]);
  ExpectOnlyMessage(kMissingVolume);
  EXPECT_EQ(ReadFileText(Out("first.txt")), std::string(50, 'f'));
}

class RarCancelTest : public RarBackendTest {
 protected:
  RarCancelTest() {
    direct.mainWindow.destinationBox.text = out_;
    direct.job.archiveType = "rar";
    cancelling.job = &direct.job;
  }
  CancellingPump cancelling;
  Session direct{dialogs, cancelling};
};

TEST_F(RarCancelTest, CancelInTheCountingPassReturnsWithoutExtracting) {
  WriteRar(PathOf("a.rar"), {{"a.txt", "a"}, {"b.txt", "b"}});
  cancelling.cancelNow = [] { return true; };
  EXPECT_EQ(ExtractRarArchive(direct, PathOf("a.rar")), 1);
  EXPECT_EQ(direct.job.activeBackend, "rar");
  EXPECT_EQ(direct.status.archiveLabel, "") << "the archive is not opened for extraction";
  EXPECT_TRUE(TreeOf(out_).empty());
}

}  // namespace
}  // namespace tessaly::testing
