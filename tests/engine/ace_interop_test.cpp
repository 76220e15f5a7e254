// Every ACE case of the shared corpus through the built tessaly-extract, compared with
// the corpus's expected.tsv: exact trees for the good ones, failure for wrong
// passwords and damage, nothing written outside the destination by anything.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/extract_program_fixture.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kAceCorpus = fs::path(TESSALY_CORPUS_DIR) / "ace";
constexpr const char* kCorpusMissing = "corpus_missing";

struct ExpectedRow {
  std::string outcome;
  std::string type;
  std::string path;
  std::string size;
  std::string sha256;
};

// One archive with one password, as expected.tsv lists it.
struct AceCase {
  std::string archive;
  std::string password;
  std::vector<ExpectedRow> rows;
};

void PrintTo(const AceCase& c, std::ostream* out) {
  *out << c.archive << " / " << c.password;
}

std::vector<AceCase> LoadCases() {
  std::ifstream table(kAceCorpus / "expected.tsv");
  if (!table) return {AceCase{kCorpusMissing, "-", {}}};
  std::vector<AceCase> cases;
  std::string line;
  std::getline(table, line);  // the header
  while (std::getline(table, line)) {
    std::vector<std::string> f;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) f.push_back(field);
    if (f.size() != 7) continue;
    auto found = std::find_if(cases.begin(), cases.end(), [&](const AceCase& c) {
      return c.archive == f[0] && c.password == f[1];
    });
    if (found == cases.end()) found = cases.insert(cases.end(), AceCase{f[0], f[1], {}});
    found->rows.push_back({f[2], f[3], f[4], f[5], f[6]});
  }
  return cases;
}

std::string Sha256Hex(const std::string& bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  static const char* kHex = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0xf];
  }
  return hex;
}

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

std::set<std::string> ExpectedTree(const std::vector<ExpectedRow>& rows) {
  std::set<std::string> tree;
  for (const ExpectedRow& row : rows) {
    if (row.type == "dir") tree.insert("dir " + row.path);
    if (row.type == "file") tree.insert("file " + row.path + " " + row.size + " " + row.sha256);
  }
  return tree;
}

class AceInterop : public ExtractProgramTest, public ::testing::WithParamInterface<AceCase> {};

TEST_P(AceInterop, ExtractsAsExpected) {
  const AceCase& c = GetParam();
  if (c.archive == kCorpusMissing) GTEST_SKIP() << "no corpus at " << kAceCorpus;
  for (const ExpectedRow& row : c.rows) {
    if (row.type != "part") continue;
    ASSERT_EQ(Sha256Hex(ReadFileText(kAceCorpus / row.path)), row.sha256)
        << "the corpus copy of " << row.path << " is damaged";
  }
  std::set<std::string> outcomes;
  std::vector<std::string> outsideTargets;
  for (const ExpectedRow& row : c.rows) {
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

std::string NameOf(const ::testing::TestParamInfo<AceCase>& info) {
  std::string name = info.param.archive + "_" + info.param.password;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, AceInterop, ::testing::ValuesIn(LoadCases()), NameOf);

}  // namespace
}  // namespace tessaly::testing
