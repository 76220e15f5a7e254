// Every ZIP archive of the shared corpus through the built tessaly-extract, compared
// with the corpus's expected.tsv.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "app/process_runner.h"
#include "support/corpus_table.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kZipCorpus = fs::path(TESSALY_CORPUS_DIR) / "zip";

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
void ExpectExactly(const fs::path& out, const std::vector<CorpusRow>& rows) {
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
  std::vector<const CorpusRow*> renamed;
  for (const CorpusRow& row : rows) {
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
  for (const CorpusRow* row : renamed) {
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

class ZipCorpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(ZipCorpus, ExtractsAsExpected) {
  const CorpusCase& expected = GetParam();
  if (expected.archive.empty()) GTEST_SKIP() << "no corpus at " << kZipCorpus;
  const std::vector<std::string> corpusBefore = TreeOf(kZipCorpus);
  for (const CorpusRow& row : expected.rows) {
    if (row.type != "part") continue;
    const std::string bytes = ReadFileText(kZipCorpus / row.path);
    ASSERT_EQ(Sha256Hex(bytes), row.sha256) << "the corpus copy of " << row.path << " is damaged";
  }

  TempFolder temp;
  const fs::path work = temp.path() / "work";
  fs::create_directories(work);
  fs::create_directories(temp.path() / "config");
  ProcessRequest request;
  request.argv = {TESSALY_EXTRACT_BIN,
                  "-y",
                  "--password=" + (expected.password == "-" ? "" : expected.password),
                  "-d",
                  "out",
                  (kZipCorpus / expected.archive).string()};
  request.workDir = work;
  request.environment = IsolatedEnvironment(temp.path());
  const ProcessResult run = RunProcess(request);

  ASSERT_EQ(run.signal, 0) << run.err;
  ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1 || run.exitStatus == 2) << run.err;
  for (const std::string& entry : TreeOf(work)) {
    EXPECT_EQ(entry.rfind("out/", 0), 0u) << "written outside the destination: " << entry;
  }

  std::set<std::string> outcomes;
  for (const CorpusRow& row : expected.rows) outcomes.insert(row.outcome);
  if (outcomes == std::set<std::string>{"ok"}) {
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    ExpectExactly(work / "out", expected.rows);
  } else if (outcomes.count("unsupported-by-design") != 0) {
    EXPECT_NE(run.exitStatus, 0) << "expected a refusal";
  } else if (outcomes.count("wrong-password-expected") != 0 || outcomes.count("damaged") != 0) {
    EXPECT_NE(run.exitStatus, 0) << "failure reported as success";
  }
  EXPECT_EQ(TreeOf(kZipCorpus), corpusBefore) << "the corpus folder was changed";
}

INSTANTIATE_TEST_SUITE_P(Archives, ZipCorpus, ::testing::ValuesIn(LoadCorpusCases(kZipCorpus)),
                         CorpusCaseName);

}  // namespace
}  // namespace tessaly::testing
