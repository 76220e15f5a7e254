// What only RAR jobs do, through the driver and the real library on archives the writer makes and
// on a corpus archive: passwords and the reopen, encrypted headers and volume sets. What every
// in-process format does is in the hostile archive tables, Cancel in the entry cancel tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/rar/rar_backend.h"
#include "support/corpus_table.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

class RarBackendTest : public DestinationJobTest {
 protected:
  static std::string PasswordPrompt(const std::string& name) {
    return "The file " + name +
           " is encrypted with a password. Please enter the password below to extract.";
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

TEST_P(RarFormatTest, EncryptedHeadersAskForThePasswordNamingTheArchive) {
  const std::string archive = PathOf("hidden.rar");
  RarOptions options = Options("pass1234");
  options.encryptHeaders = true;
  WriteRar(archive, {{"a.txt", "alpha"}, {"b.txt", "beta"}}, options);
  dialogs.inputAnswers = {"pass1234"};
  ExtractOne(archive);
  EXPECT_EQ(PasswordPrompts(), std::vector<std::string>{PasswordPrompt("hidden.rar")});
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(session.status.progressMax, 2) << "counted again with the password";
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// The first part of a split encrypted entry has the "continued in the next volume"
// bit as well: it is asked for all the same.
TEST_P(RarFormatTest, AVolumeSetExtractsAnEncryptedEntrySplitAcrossIt) {
  const std::string big(300, 'x');
  const std::vector<std::string> volumes =
      WriteRarVolumes(PathOf("set"), RarVolumeNaming::PartN, 100,
                      {{"big.txt", big, false, true}, {"end.txt", "e"}}, Options("pass1234"));
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

// A real archive whose last entry has another password than the others: the job asks once, extracts
// the others and shows the wrong-password message for that entry.
using RarCorpusTest = DestinationJobTest;

TEST_F(RarCorpusTest, AnEntryWithAnotherPasswordIsTheOneWrongPassword) {
  const std::vector<CorpusCase> cases =
      LoadCorpusCases(std::filesystem::path(TESSALY_CORPUS_DIR) / "rar");
  const auto found = std::find_if(cases.begin(), cases.end(), [](const CorpusCase& c) {
    return c.archive == "test_read_format_rar4_encrypted.rar" && c.password == "password";
  });
  ASSERT_TRUE(found != cases.end()) << "the case is not in the rar table";
  ASSERT_TRUE(CorpusFilesIntact(*found));
  // After the password the archive starts again over the files it already wrote.
  SetSetting("rar options", "auto overwrite", "1");
  dialogs.inputAnswers = {"password"};

  ExtractOne((found->folder / found->archive).string());

  ExpectOnlyMessage("The password you entered was incorrect.");
  for (const CorpusRow& row : found->rows) {
    if (row.outcome == "ok" && row.type == "file") {
      EXPECT_EQ(Sha256OfFile(Out(row.path)), row.sha256) << row.path;
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
