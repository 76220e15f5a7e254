// Every case of the shared corpus extracted through the C API and compared with
// its expected contents.
#include <gtest/gtest.h>

#include "api_support.h"
#include "support/corpus_table.h"

namespace unrar_test {
namespace {

using tessaly::testing::CorpusCase;
using tessaly::testing::CorpusRow;
using tessaly::testing::TreeOf;

class RarCorpusCase : public testing::TestWithParam<CorpusCase> {};

TEST_P(RarCorpusCase, ExtractsAsExpected) {
  const CorpusCase& c = GetParam();
  ASSERT_TRUE(tessaly::testing::CorpusFilesIntact(c));
  TempDir outside;
  const std::string destination = outside / "dest";
  fs::create_directory(destination);
  const RunResult run =
      run_archive(corpus(c.archive), RAR_EXTRACT, destination, c.password == "-" ? "" : c.password);
  // Nothing ever lands beside the destination.
  EXPECT_EQ(TreeOf(outside.path()).size(), TreeOf(destination).size() + 1);
  std::vector<CorpusRow> extracted;
  for (const CorpusRow& row : c.rows) {
    if (row.outcome == "ok") extracted.push_back(row);
  }
  tessaly::testing::ExpectTreeAsListed(destination, extracted, c.AllOk());
  if (c.AllOk()) {
    EXPECT_EQ(run.openResult, 0);
    EXPECT_EQ(run.endResult, ERAR_END_ARCHIVE);
    for (const EntryOutcome& entry : run.entries) EXPECT_EQ(entry.result, 0) << entry.name;
  } else if (c.Has("wrong-password-expected") || c.Has("damaged")) {
    EXPECT_FALSE(run.all_ok());
  }
  if (c.Has("path-traversal-attempt")) {
    for (const auto& item : fs::recursive_directory_iterator(destination)) {
      if (!item.is_symlink()) continue;
      const fs::path target =
          fs::weakly_canonical(item.path().parent_path() / fs::read_symlink(item.path()));
      const std::string inside = fs::weakly_canonical(destination).string() + "/";
      EXPECT_EQ(target.string().rfind(inside, 0), 0u) << item.path();
    }
  }
}

// Cases that unpack hundreds of megabytes.
bool large(const CorpusCase& c) {
  for (const CorpusRow& row : c.rows) {
    if (row.type == "file" && std::strtoull(row.size.c_str(), nullptr, 10) > 100000000) return true;
  }
  return false;
}

std::vector<CorpusCase> cases_where(bool wantLarge) {
  std::vector<CorpusCase> chosen;
  for (const CorpusCase& c : tessaly::testing::LoadCorpusCases(kCorpusFolder)) {
    if (large(c) == wantLarge) chosen.push_back(c);
  }
  return chosen;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RarCorpusCase, testing::ValuesIn(cases_where(false)),
                         tessaly::testing::CorpusCaseName);
INSTANTIATE_TEST_SUITE_P(SlowCorpus, RarCorpusCase, testing::ValuesIn(cases_where(true)),
                         tessaly::testing::CorpusCaseName);

}  // namespace
}  // namespace unrar_test
