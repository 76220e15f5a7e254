// RAR jobs on real archives of the shared corpus: solid streams, volume sets, a
// self-extracting file, Unicode names, and an archive whose last entry has another
// password. Every file must come out with the content expected.tsv lists.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "support/corpus_table.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kRarCorpus = fs::path(TESSALY_CORPUS_DIR) / "rar";

// The rows of one case of expected.tsv.
std::vector<CorpusRow> ExpectedRows(const std::string& archive, const std::string& password) {
  for (const CorpusCase& c : LoadCorpusCases(kRarCorpus)) {
    if (c.archive == archive && c.password == password) return c.rows;
  }
  return {};
}

struct RarCorpusCase {
  const char* archive;
  const char* password;         // "-": none is asked
  const char* expectedMessage;  // "": the job finishes without one
};

class RarCorpusTest : public EngineTest, public ::testing::WithParamInterface<RarCorpusCase> {
 protected:
  RarCorpusTest() : out_(PathOf("out")) {
    fs::create_directory(out_);
    session.Form1.Combo1.text = out_;
  }
  std::string out_;
};

TEST_P(RarCorpusTest, EveryListedFileComesOutWithItsContent) {
  const RarCorpusCase& c = GetParam();
  if (!fs::exists(kRarCorpus / c.archive)) GTEST_SKIP() << "the corpus is not here";
  const std::vector<CorpusRow> rows = ExpectedRows(c.archive, c.password);
  ASSERT_FALSE(rows.empty()) << c.archive;
  if (std::string(c.password) != "-") dialogs.inputAnswers = {c.password};

  Select({(kRarCorpus / c.archive).string()});
  Extract();

  for (const CorpusRow& row : rows) {
    const std::string path = out_ + "/" + row.path;
    if (row.outcome != "ok") continue;
    if (row.type == "dir") {
      EXPECT_TRUE(fs::is_directory(path)) << row.path;
    } else if (row.type == "file") {
      EXPECT_EQ(Sha256Hex(ReadFileText(path)), row.sha256) << row.path;
    }
  }
  const std::string message = c.expectedMessage;
  EXPECT_EQ(MessageTexts(),
            message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
  EXPECT_EQ(session.Form4Window.lblarc, message.empty() ? kFinished : kNotFinished);
}

INSTANTIATE_TEST_SUITE_P(
    Archives, RarCorpusTest,
    ::testing::Values(RarCorpusCase{"rar3-solid.rar", "-", ""},
                      RarCorpusCase{"rar3-subdirs.rar", "-", ""},
                      RarCorpusCase{"rar3-vols.part1.rar", "-", ""},
                      RarCorpusCase{"test_read_format_rar5_multiarchive_solid.part01.rar", "-", ""},
                      RarCorpusCase{"test_read_format_rar_sfx.exe", "-", ""},
                      RarCorpusCase{"test_read_format_rar4_encrypted.rar", "password",
                                    "The password you entered was incorrect."}),
    [](const auto& info) {
      std::string name;
      for (const char* p = info.param.archive; *p != '\0'; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
      }
      return name;
    });

}  // namespace
}  // namespace tessaly::testing
