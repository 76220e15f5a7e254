// Every ACE case of the shared corpus through the built tessaly-extract, compared with
// the corpus's expected.tsv: exact trees for the good ones, failure for wrong
// passwords and damage, nothing written outside the destination by anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/extract_program_fixture.h"
#include "support/corpus_table.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kAceCorpus = fs::path(TESSALY_CORPUS_DIR) / "ace";

// The tree below out as expected.tsv would list it: "dir" rows and "file" rows.
std::set<std::string> ListedTree(const fs::path& out) {
  std::set<std::string> tree;
  for (const std::string& entry : TreeOf(out)) {
    if (entry.back() == '/') {
      tree.insert("dir " + entry.substr(0, entry.size() - 1));
    } else {
      const std::string content = ReadFileText(out / entry);
      tree.insert("file " + entry + " " + std::to_string(content.size()) + " " +
                  Sha256Hex(content));
    }
  }
  return tree;
}

std::set<std::string> ExpectedTree(const std::vector<CorpusRow>& rows) {
  std::set<std::string> tree;
  for (const CorpusRow& row : rows) {
    if (row.type == "dir") tree.insert("dir " + row.path);
    if (row.type == "file") tree.insert("file " + row.path + " " + row.size + " " + row.sha256);
  }
  return tree;
}

class AceInterop : public ExtractProgramTest, public ::testing::WithParamInterface<CorpusCase> {};

TEST_P(AceInterop, ExtractsAsExpected) {
  const CorpusCase& c = GetParam();
  if (c.archive.empty()) GTEST_SKIP() << "no corpus at " << kAceCorpus;
  for (const CorpusRow& row : c.rows) {
    if (row.type != "part") continue;
    ASSERT_EQ(Sha256Hex(ReadFileText(kAceCorpus / row.path)), row.sha256)
        << "the corpus copy of " << row.path << " is damaged";
  }
  std::set<std::string> outcomes;
  std::vector<std::string> outsideTargets;
  for (const CorpusRow& row : c.rows) {
    outcomes.insert(row.outcome);
    if (row.outcome == "path-traversal-attempt" && row.path.starts_with('/')) {
      outsideTargets.push_back(row.path);
    }
  }
  for (const std::string& target : outsideTargets) {
    ASSERT_FALSE(fs::exists(target)) << "remove " << target << " left by an earlier run";
  }

  const ProcessResult run = Run({"-y", "--password=" + (c.password == "-" ? "" : c.password), "-d",
                                 "out", (kAceCorpus / c.archive).string()});

  ASSERT_EQ(run.signal, 0) << run.err;
  ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1 || run.exitStatus == 2) << run.err;
  for (const std::string& entry : TreeOf(work())) {
    EXPECT_EQ(entry.rfind("out/", 0), 0u) << "written outside the destination: " << entry;
  }
  for (const std::string& target : outsideTargets) {
    EXPECT_FALSE(fs::exists(target)) << "written outside the destination: " << target;
  }
  if (outcomes == std::set<std::string>{"ok"}) {
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(ListedTree(work() / "out"), ExpectedTree(c.rows));
  } else if (outcomes.count("unsupported-by-design") != 0) {
    EXPECT_EQ(run.exitStatus, 2) << "expected a refusal\n" << run.err;
  } else if (outcomes.count("wrong-password-expected") != 0 || outcomes.count("damaged") != 0) {
    EXPECT_EQ(run.exitStatus, 1) << "failure reported as success\n" << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, AceInterop, ::testing::ValuesIn(LoadCorpusCases(kAceCorpus)),
                         CorpusCaseName);

}  // namespace
}  // namespace tessaly::testing
