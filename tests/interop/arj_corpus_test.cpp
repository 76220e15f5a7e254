// Every ARJ archive of the shared corpus through the built tessaly-extract and the
// installed ARJ utility (hidden, watched, overwriting), compared with expected.tsv:
// the password of a garbled archive is given with -p; a wrong password and a
// damaged archive end with the job not finished; every other case comes out exactly.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/process_runner.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kArjCorpus = fs::path(TESSALY_CORPUS_DIR) / "arj";
constexpr const char* kArjUtility = "/usr/bin/arj";

struct ExpectedRow {
  std::string outcome;
  std::string type;
  std::string path;
  std::string size;
  std::string sha256;
};

struct CorpusCase {
  std::string archive;
  std::string password;
  std::vector<ExpectedRow> rows;
};

void PrintTo(const CorpusCase& corpus, std::ostream* out) {
  *out << corpus.archive << " (" << corpus.password << ")";
}

std::vector<CorpusCase> LoadCases() {
  std::ifstream table(kArjCorpus / "expected.tsv");
  if (!table) return {CorpusCase{"", "", {}}};
  std::vector<CorpusCase> cases;
  std::string line;
  std::getline(table, line);  // the header
  while (std::getline(table, line)) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
    if (f.size() != 7) continue;
    if (cases.empty() || cases.back().archive != f[0] || cases.back().password != f[1]) {
      cases.push_back({f[0], f[1], {}});
    }
    cases.back().rows.push_back({f[2], f[3], f[4], f[5], f[6]});
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

std::string SettingsText() {
  return "[General]\nFirst time=0\nShow confirmation=0\nHide Output=1\nClose extract window=1\n"
         "[Utility Locations]\narj=" +
         std::string(kArjUtility) + "\n[arj options]\nauto overwrite=1\n";
}

class ArjCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(ArjCorpus, ExtractsThroughTheUtilityAsExpected) {
  const CorpusCase& corpus = GetParam();
  if (corpus.archive.empty()) GTEST_SKIP() << "no corpus at " << kArjCorpus;
  if (!fs::exists(kArjUtility)) GTEST_SKIP() << "the ARJ utility is not installed";
  for (const ExpectedRow& row : corpus.rows) {
    if (row.type != "part") continue;
    ASSERT_EQ(Sha256Hex(ReadFileText(kArjCorpus / row.path)), row.sha256)
        << "the corpus copy of " << row.path << " is damaged";
  }

  TempFolder temp;
  const fs::path work = temp.path() / "work";
  fs::create_directories(work);
  fs::create_directories(temp.path() / "tmp");
  WriteFileText(temp.path() / "config/Brindlemoor/Tessaly 3.6.conf", SettingsText());
  ProcessRequest request;
  request.argv = {TESSALY_EXTRACT_BIN, "-y", "-d", "out"};
  if (corpus.password != "-") request.argv.push_back("--password=" + corpus.password);
  request.argv.push_back((kArjCorpus / corpus.archive).string());
  request.workDir = work;
  request.environment = {{"XDG_CONFIG_HOME", (temp.path() / "config").string()},
                         {"TMPDIR", (temp.path() / "tmp").string()},
                         {"HOME", temp.path().string()}};
  const ProcessResult run = RunProcess(request);
  ASSERT_EQ(run.signal, 0) << run.err;

  std::set<std::string> outcomes;
  for (const ExpectedRow& row : corpus.rows) outcomes.insert(row.outcome);
  if (outcomes.count("unsupported-by-design") != 0) {
    EXPECT_EQ(run.exitStatus, 2) << "refused before any job: " << run.err;
    EXPECT_FALSE(fs::exists(work / "out"));
    return;
  }
  for (const std::string& entry : TreeOf(work)) {
    EXPECT_EQ(entry.rfind("out/", 0), 0u) << "written outside the destination: " << entry;
  }
  if (outcomes.count("damaged") != 0 || outcomes.count("wrong-password-expected") != 0) {
    EXPECT_EQ(run.exitStatus, 1) << "the utility's failure is the job's: " << run.err;
    return;
  }
  EXPECT_EQ(run.exitStatus, 0) << run.err;

  std::map<std::string, std::string> files;
  std::set<std::string> dirs;
  for (const std::string& entry : TreeOf(work / "out")) {
    if (entry.back() == '/') {
      dirs.insert(entry.substr(0, entry.size() - 1));
    } else {
      files[entry] = ReadFileText(work / "out" / entry);
    }
  }
  for (const ExpectedRow& row : corpus.rows) {
    if (row.type == "dir") {
      EXPECT_EQ(dirs.erase(row.path), 1u) << "missing folder " << row.path;
    } else if (row.type == "file") {
      const auto found = files.find(row.path);
      ASSERT_TRUE(found != files.end()) << "missing file " << row.path;
      EXPECT_EQ(std::to_string(found->second.size()), row.size) << row.path;
      EXPECT_EQ(Sha256Hex(found->second), row.sha256) << row.path;
      files.erase(found);
    }
  }
  for (const auto& [path, content] : files) ADD_FAILURE() << "unexpected file " << path;
  for (const std::string& dir : dirs) ADD_FAILURE() << "unexpected folder " << dir;
}

std::string NameOf(const ::testing::TestParamInfo<CorpusCase>& info) {
  std::string name = info.param.archive.empty() ? "corpus_missing" : info.param.archive;
  name += info.param.password == "-" ? "" : "_" + info.param.password;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Archives, ArjCorpus, ::testing::ValuesIn(LoadCases()), NameOf);

}  // namespace
}  // namespace tessaly::testing
