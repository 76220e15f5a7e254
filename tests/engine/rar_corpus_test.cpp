// A real RAR archive whose last entry has another password than the others: the job
// asks once, extracts the others and shows the wrong-password message for that entry.
// The contents of every corpus archive are the program test's part.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/corpus_table.h"
#include "support/engine_fixture.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

using RarCorpusTest = DestinationJobTest;

TEST_F(RarCorpusTest, AnEntryWithAnotherPasswordIsTheOneWrongPassword) {
  const std::vector<CorpusCase> cases = LoadCorpusCases(fs::path(TESSALY_CORPUS_DIR) / "rar");
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
