// Every ZIP archive of the shared corpus through the built tessaly-extract, compared
// with the corpus's expected.tsv.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/process_runner.h"
#include "support/corpus_table.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kZipCorpus = fs::path(TESSALY_CORPUS_DIR) / "zip";
constexpr const char* kCorpusMissing = "corpus_missing";

struct ExpectedRow {
  std::string outcome;
  std::string type;
  std::string path;
  std::string size;
  std::string sha256;
};

struct ExpectedCase {
  std::string password;
  std::vector<ExpectedRow> rows;
};

struct CorpusArchive {
  std::string archive;
  std::vector<ExpectedCase> cases;  // in the order of the table
};

void PrintTo(const CorpusArchive& corpus, std::ostream* out) {
  *out << corpus.archive;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

std::vector<CorpusArchive> LoadCorpus() {
  std::ifstream table(kZipCorpus / "expected.tsv");
  if (!table) return {CorpusArchive{kCorpusMissing, {}}};
  std::vector<CorpusArchive> archives;
  std::string line;
  std::getline(table, line);  // the header
  while (std::getline(table, line)) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 7) continue;
    if (archives.empty() || archives.back().archive != f[0]) archives.push_back({f[0], {}});
    std::vector<ExpectedCase>& cases = archives.back().cases;
    auto found = std::find_if(cases.begin(), cases.end(),
                              [&](const ExpectedCase& c) { return c.password == f[1]; });
    if (found == cases.end()) found = cases.insert(cases.end(), ExpectedCase{f[1], {}});
    found->rows.push_back({f[2], f[3], f[4], f[5], f[6]});
  }
  return archives;
}

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x80; });
}

struct FileFacts {
  std::string size;
  std::string sha256;
  bool operator==(const FileFacts&) const = default;
};

// Compares the extracted tree with the expected files and folders. Names stored in a
// legacy code page may come out in another decoding: such a file is matched by content.
void ExpectExactly(const fs::path& out, const std::vector<ExpectedRow>& rows) {
  std::map<std::string, FileFacts> files;
  std::set<std::string> dirs;
  for (const std::string& entry : TreeOf(out)) {
    if (entry.back() == '/') {
      dirs.insert(entry.substr(0, entry.size() - 1));
    } else {
      const std::string content = ReadFileText(out / entry);
      files[entry] = {std::to_string(content.size()), Sha256Hex(content)};
    }
  }
  std::vector<const ExpectedRow*> renamed;
  for (const ExpectedRow& row : rows) {
    if (row.type == "dir") {
      EXPECT_EQ(dirs.erase(row.path), 1u) << "missing folder " << row.path;
    } else if (row.type == "file") {
      const auto found = files.find(row.path);
      if (found == files.end() && !IsAscii(row.path)) {
        renamed.push_back(&row);
        continue;
      }
      ASSERT_TRUE(found != files.end()) << "missing file " << row.path;
      EXPECT_EQ(found->second, (FileFacts{row.size, row.sha256})) << row.path;
      files.erase(found);
    }
  }
  for (const ExpectedRow* row : renamed) {
    const FileFacts facts{row->size, row->sha256};
    const auto found = std::find_if(files.begin(), files.end(), [&](const auto& file) {
      return !IsAscii(file.first) && file.second == facts;
    });
    ASSERT_TRUE(found != files.end()) << "missing file " << row->path << " (by content)";
    files.erase(found);
  }
  for (const auto& [path, facts] : files) ADD_FAILURE() << "unexpected file " << path;
  for (const std::string& dir : dirs) ADD_FAILURE() << "unexpected folder " << dir;
}

class ZipCorpus : public ::testing::TestWithParam<CorpusArchive> {};

TEST_P(ZipCorpus, ExtractsAsExpected) {
  const CorpusArchive& corpus = GetParam();
  if (corpus.archive == kCorpusMissing) GTEST_SKIP() << "no corpus at " << kZipCorpus;
  const std::vector<std::string> corpusBefore = TreeOf(kZipCorpus);
  for (const ExpectedCase& expected : corpus.cases) {
    SCOPED_TRACE("password " + expected.password);
    for (const ExpectedRow& row : expected.rows) {
      if (row.type != "part") continue;
      const std::string bytes = ReadFileText(kZipCorpus / row.path);
      ASSERT_EQ(Sha256Hex(bytes), row.sha256) << "the corpus copy of " << row.path << " is damaged";
    }

    TempFolder temp;
    const fs::path work = temp.path() / "work";
    fs::create_directories(work);
    fs::create_directories(temp.path() / "config");
    fs::create_directories(temp.path() / "tmp");
    ProcessRequest request;
    request.argv = {TESSALY_EXTRACT_BIN,
                    "-y",
                    "--password=" + (expected.password == "-" ? "" : expected.password),
                    "-d",
                    "out",
                    (kZipCorpus / corpus.archive).string()};
    request.workDir = work;
    request.environment = {{"XDG_CONFIG_HOME", (temp.path() / "config").string()},
                           {"TMPDIR", (temp.path() / "tmp").string()},
                           {"HOME", temp.path().string()}};
    const ProcessResult run = RunProcess(request);

    ASSERT_EQ(run.signal, 0) << run.err;
    ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1 || run.exitStatus == 2) << run.err;
    for (const std::string& entry : TreeOf(work)) {
      EXPECT_EQ(entry.rfind("out/", 0), 0u) << "written outside the destination: " << entry;
    }

    std::set<std::string> outcomes;
    for (const ExpectedRow& row : expected.rows) outcomes.insert(row.outcome);
    if (outcomes == std::set<std::string>{"ok"}) {
      EXPECT_EQ(run.exitStatus, 0) << run.err;
      ExpectExactly(work / "out", expected.rows);
    } else if (outcomes.count("unsupported-by-design") != 0) {
      EXPECT_NE(run.exitStatus, 0) << "expected a refusal";
    } else if (outcomes.count("wrong-password-expected") != 0 || outcomes.count("damaged") != 0) {
      EXPECT_NE(run.exitStatus, 0) << "failure reported as success";
    }
  }
  EXPECT_EQ(TreeOf(kZipCorpus), corpusBefore) << "the corpus folder was changed";
}

std::string NameOf(const ::testing::TestParamInfo<CorpusArchive>& info) {
  std::string name = info.param.archive;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Archives, ZipCorpus, ::testing::ValuesIn(LoadCorpus()), NameOf);

}  // namespace
}  // namespace tessaly::testing
