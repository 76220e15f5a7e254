// Every ARJ archive of the shared corpus through the built tessaly-extract and the
// installed ARJ utility (hidden, watched, overwriting), compared with expected.tsv:
// the password of a garbled archive is given with -p; a wrong password and a
// damaged archive end with the job not finished; every other case comes out exactly.
#include <gtest/gtest.h>

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

const fs::path kArjCorpus = fs::path(TESSALY_CORPUS_DIR) / "arj";
constexpr const char* kArjUtility = "/usr/bin/arj";

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
  for (const CorpusRow& row : corpus.rows) {
    if (row.type != "part") continue;
    ASSERT_EQ(Sha256Hex(ReadFileText(kArjCorpus / row.path)), row.sha256)
        << "the corpus copy of " << row.path << " is damaged";
  }

  TempFolder temp;
  const fs::path work = temp.path() / "work";
  fs::create_directories(work);
  WriteFileText(temp.path() / "config/Brindlemoor/Tessaly 3.6.conf", SettingsText());
  ProcessRequest request;
  request.argv = {TESSALY_EXTRACT_BIN, "-y", "-d", "out"};
  if (corpus.password != "-") request.argv.push_back("--password=" + corpus.password);
  request.argv.push_back((kArjCorpus / corpus.archive).string());
  request.workDir = work;
  request.environment = IsolatedEnvironment(temp.path());
  const ProcessResult run = RunProcess(request);
  ASSERT_EQ(run.signal, 0) << run.err;

  std::set<std::string> outcomes;
  for (const CorpusRow& row : corpus.rows) outcomes.insert(row.outcome);
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
  for (const CorpusRow& row : corpus.rows) {
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

INSTANTIATE_TEST_SUITE_P(Archives, ArjCorpus, ::testing::ValuesIn(LoadCorpusCases(kArjCorpus)),
                         CorpusCaseName);

}  // namespace
}  // namespace tessaly::testing
