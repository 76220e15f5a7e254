// What only RAR jobs do, through the driver and the real library on archives the writer makes and
// on a corpus archive: passwords and the reopen, encrypted headers and volume sets. What every
// in-process format does is in the hostile archive tables, Cancel in the entry cancel tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/corpus_table.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

using RarBackendTest = DestinationJobTest;

TEST_F(RarBackendTest, EncryptedHeadersAskForThePasswordNamingTheArchive) {
  const std::string archive = PathOf("hidden.rar");
  RarOptions options;
  options.format = RarFormat::Rar5;
  options.password = "pass1234";
  options.encryptHeaders = true;
  WriteRar(archive, {{"a.txt", "alpha"}, {"b.txt", "beta"}}, options);
  dialogs.inputAnswers = {"pass1234"};
  ExtractOne(archive);
  ASSERT_EQ(dialogs.inputs.size(), 1u);
  EXPECT_EQ(dialogs.inputs[0].prompt,
            "The file hidden.rar is encrypted with a password. Please enter the password below to "
            "extract.");
  EXPECT_EQ(dialogs.inputs[0].title, "Enter Password");
  EXPECT_EQ(dialogs.inputs[0].defaultText, "");
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(session.status.progressMax, 2 + 9) << "counted again with the password";
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// A RAR5 archive cut right after its last entry, where its end block should start: what
// it holds comes out, but the user is told it is damaged and the job does not finish.
TEST_F(RarBackendTest, ARar5ArchiveCutBeforeItsEndBlockDoesNotFinish) {
  const std::string archive = PathOf("cut.rar");
  RarOptions options;
  options.format = RarFormat::Rar5;
  WriteRar(archive, {{"a.txt", "alpha"}, {"b.txt", "beta"}}, options);
  const std::string bytes = ReadFileText(archive);
  WriteFileText(archive, bytes.substr(0, bytes.find("beta") + 4));
  dialogs.messageAnswers = {MsgAnswer::No};
  ExtractOne(archive);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{
                "The archive \"" + archive +
                    "\" is damaged: a block header is damaged, or the file ends inside one or "
                    "before its end block. Look for the files it still holds by scanning it?",
                "Tessaly encountered a CRC error while processing \"" + archive +
                    "\". Operation aborted."}));
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(ReadFileText(Out("b.txt")), "beta");
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

// A real archive whose last entry has another password than the others: the job asks once, extracts
// the others and shows the wrong-password message for that entry.
TEST_F(RarBackendTest, AnEntryWithAnotherPasswordIsTheOneWrongPassword) {
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
