// Every case of the corpus's expected.tsv, extracted through the C API: each file
// with its size and SHA-256, each folder, and nothing else.
#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>

#include "api_test_support.h"

namespace unace::testing {
namespace {

struct Row {
  std::string outcome;
  std::string type;
  std::string path;
  std::string size;
  std::string sha256;
};

using Case = std::pair<std::string, std::string>;  // archive, password

std::map<Case, std::vector<Row>> ReadExpected() {
  std::map<Case, std::vector<Row>> cases;
  std::istringstream lines(ReadAll(kCorpus + "expected.tsv"));
  std::string line;
  std::getline(lines, line);  // the column names
  while (std::getline(lines, line)) {
    std::vector<std::string> cells;
    std::istringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, '\t')) cells.push_back(cell);
    if (cells.size() != 7) continue;
    cases[{cells[0], cells[1]}].push_back({cells[2], cells[3], cells[4], cells[5], cells[6]});
  }
  return cases;
}

std::string Sha256(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
  std::string hex;
  char pair[3];
  for (unsigned i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

bool AllSucceeded(const WalkResult& walk) {
  if (walk.openResult != ACE_OPEN_OK || walk.endCode != ACE_END_ARCHIVE) return false;
  return std::all_of(walk.entries.begin(), walk.entries.end(),
                     [](const EntryResult& e) { return e.code == ACE_SUCCESS; });
}

void CheckContents(const std::string& label, const fs::path& out, const std::vector<Row>& rows) {
  std::vector<std::string> expected;
  for (const Row& row : rows) {
    if (row.type == "dir") expected.push_back(row.path + "/");
    if (row.type != "file") continue;
    expected.push_back(row.path);
    const std::string content = ReadAll(out / row.path);
    EXPECT_EQ(std::to_string(content.size()), row.size) << label << ": " << row.path;
    EXPECT_EQ(Sha256(content), row.sha256) << label << ": " << row.path;
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Tree(out), expected) << label;
}

struct CorpusCase {
  std::string archive;
  std::string password;
  std::vector<Row> rows;
};

std::vector<CorpusCase> Cases() {
  std::vector<CorpusCase> cases;
  if (!fs::exists(kCorpus + "expected.tsv")) return cases;
  for (auto& [key, rows] : ReadExpected()) cases.push_back({key.first, key.second, rows});
  return cases;
}

class AceCorpusCase : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(AceCorpusCase, ComesOutAsListed) {
  const CorpusCase& c = GetParam();
  const std::string label = c.archive + " / " + c.password;
  TempFolder temp;
  const fs::path out = temp.path() / "dest" / "out";
  fs::create_directories(out);
  const WalkResult walk = Walk(kCorpus + c.archive, ACE_OM_EXTRACT, ACE_EXTRACT, out.string(),
                               c.password == "-" ? nullptr : c.password.c_str());
  const std::string outcome = c.rows.front().outcome;
  if (outcome == "ok" || outcome == "unsupported-by-design") {
    EXPECT_TRUE(AllSucceeded(walk)) << label;
    CheckContents(label, out, c.rows);
  } else if (outcome == "wrong-password-expected" || outcome == "damaged") {
    EXPECT_FALSE(AllSucceeded(walk)) << label;
  } else if (outcome == "path-traversal-attempt") {
    // Whatever it extracts stays in the destination.
    for (const std::string& name : Tree(temp.path())) {
      EXPECT_TRUE(name == "dest/" || name.rfind("dest/out/", 0) == 0) << label << ": " << name;
    }
  } else {
    ADD_FAILURE() << label << ": unknown outcome " << outcome;
  }
}

std::string CaseName(const ::testing::TestParamInfo<CorpusCase>& info) {
  std::string name = info.param.archive + "_" + info.param.password;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, AceCorpusCase, ::testing::ValuesIn(Cases()), CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(AceCorpusCase);

TEST(AceCorpus, EveryArchiveHasItsCase) {
  if (!fs::exists(kCorpus + "expected.tsv")) GTEST_SKIP() << "no corpus at " << kCorpus;
  EXPECT_EQ(Cases().size(), 15u);
}

}  // namespace
}  // namespace unace::testing
