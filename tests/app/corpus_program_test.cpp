// Every case of the corpus tables (ZIP, RAR, ACE, ARJ, 7z) through the built
// tessaly-extract, compared with expected.tsv: a good case comes out exactly and alone;
// a wrong password or damage ends in failure; a refused type may also come out exactly;
// nothing is ever written outside the destination and no link left there leads out.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/extract_program_fixture.h"
#include "support/corpus_table.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

// The ARJ utility's place and its output shown, as a fresh install has them: the
// utility asks nothing of a set whose volumes lie beside it.
const std::string kSettings =
    "[General]\nFirst time=0\nShow confirmation=0\nHide Output=0\nClose extract window=0\n"
    "[Utility Locations]\narj=" +
    std::string(kArjUtility) + "\n";

std::vector<CorpusCase> AllCases() {
  std::vector<CorpusCase> all;
  for (const char* format : {"zip", "rar", "ace", "arj", "7z"}) {
    const std::vector<CorpusCase> cases = LoadCorpusCases(fs::path(TESSALY_CORPUS_DIR) / format);
    all.insert(all.end(), cases.begin(), cases.end());
  }
  return all;
}

// An entry of the destination as expected.tsv lists one: a link by its target text.
struct Entry {
  std::string type;
  std::string size = "-";
  std::string sha256 = "-";
  bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& entry, std::ostream* out) {
  *out << entry.type << " " << entry.size << " " << entry.sha256;
}

std::map<std::string, Entry> EntriesBelow(const fs::path& out) {
  std::map<std::string, Entry> entries;
  for (std::string path : TreeOf(out)) {
    const fs::path full = out / path;
    std::error_code error;
    if (fs::is_symlink(full)) {
      const std::string target = fs::read_symlink(full, error).string();
      entries[path] = {"link", std::to_string(target.size()), Sha256Hex(target)};
    } else if (path.back() == '/') {
      path.pop_back();
      entries[path] = {"dir"};
    } else {
      entries[path] = {"file", std::to_string(fs::file_size(full, error)), Sha256OfFile(full)};
    }
  }
  return entries;
}

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x80; });
}

// Checks that each file, folder and link row is there as listed and returns the
// entries no row named. ZIP names stored in a legacy code page may come out in another
// decoding: such a file is matched by its content.
std::map<std::string, Entry> ExpectRows(std::map<std::string, Entry> found,
                                        const std::vector<CorpusRow>& rows, bool matchByContent) {
  std::vector<const CorpusRow*> unnamed;
  for (const CorpusRow& row : rows) {
    if (row.type != "file" && row.type != "dir" && row.type != "link") continue;
    const auto at = found.find(row.path);
    if (at == found.end()) {
      unnamed.push_back(&row);
      continue;
    }
    EXPECT_EQ(at->second, (Entry{row.type, row.size, row.sha256})) << row.path;
    found.erase(at);
  }
  for (const CorpusRow* row : unnamed) {
    const Entry wanted{row->type, row->size, row->sha256};
    const auto at = std::find_if(found.begin(), found.end(), [&](const auto& entry) {
      return matchByContent && row->type == "file" && !IsAscii(row->path) &&
             !IsAscii(entry.first) && entry.second == wanted;
    });
    if (at == found.end()) {
      ADD_FAILURE() << "missing " << row->type << " " << row->path;
    } else {
      found.erase(at);
    }
  }
  return found;
}

// Whether the link, its target and any links on the way resolved, stays below root.
// Every link the table lists as good stays inside too.
bool LeadsInside(const fs::path& root, const fs::path& link) {
  std::error_code error;
  const fs::path target = link.parent_path() / fs::read_symlink(link, error);
  fs::path resolved = fs::weakly_canonical(target, error);
  if (error) resolved = target.lexically_normal();  // a loop of links
  const fs::path relative = resolved.lexically_relative(fs::weakly_canonical(root, error));
  return !relative.empty() && *relative.begin() != "..";
}

class CorpusProgramTest : public ExtractProgramTest,
                          public ::testing::WithParamInterface<CorpusCase> {};

TEST_P(CorpusProgramTest, ExtractsAsListedAndNothingOutsideTheDestination) {
  const CorpusCase& c = GetParam();
  ASSERT_TRUE(CorpusFilesIntact(c));
  if (c.folder.filename() == "arj" && !fs::exists(kArjUtility)) {
    GTEST_SKIP() << "the ARJ utility is not installed";
  }
  std::vector<fs::path> absoluteTargets;
  for (const CorpusRow& row : c.rows) {
    if (row.outcome == "path-traversal-attempt" && row.path.starts_with('/')) {
      absoluteTargets.push_back(row.path);
    }
  }
  for (const fs::path& target : absoluteTargets) {
    ASSERT_FALSE(fs::exists(fs::symlink_status(target))) << "remove " << target << " first";
  }
  WriteFileText(config() / "Brindlemoor/Tessaly 3.6.conf", kSettings);
  const std::vector<std::string> corpusBefore = TreeOf(c.folder);

  const ProcessResult run = Run({"-y", "--password=" + (c.password == "-" ? "" : c.password), "-d",
                                 "out", (c.folder / c.archive).string()});

  ASSERT_EQ(run.signal, 0) << run.err;
  EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
  ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 1 || run.exitStatus == 2)
      << "exit status " << run.exitStatus << "\n"
      << run.err;
  // The run's folder holds the settings, the temporary folder and the destination.
  for (const std::string& entry : TreeOf(work().parent_path())) {
    EXPECT_TRUE(entry == "work/" || entry.starts_with("work/out/") ||
                entry.starts_with("config/") || entry.starts_with("tmp/"))
        << "written outside the destination: " << entry;
  }
  for (const fs::path& target : absoluteTargets) {
    EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << "written outside: " << target;
  }
  EXPECT_EQ(TreeOf(c.folder), corpusBefore) << "the corpus folder was changed";

  const fs::path out = work() / "out";
  const std::map<std::string, Entry> entries = EntriesBelow(out);
  for (const auto& [path, entry] : entries) {
    if (entry.type != "link") continue;
    EXPECT_TRUE(LeadsInside(out, out / path)) << "a link leads outside the destination: " << path
                                              << " -> " << fs::read_symlink(out / path);
  }

  const bool failureExpected = c.Has("wrong-password-expected") || c.Has("damaged");
  if (failureExpected) {
    EXPECT_NE(run.exitStatus, 0) << "failure reported as success\n" << run.err;
  }
  if (c.AllOk()) {
    EXPECT_EQ(run.exitStatus, 0) << run.err;
  }
  // A refused type may be taken all the same, but then exactly as listed.
  const bool takenAsListed = c.Has("unsupported-by-design") && run.exitStatus == 0;
  std::vector<CorpusRow> expected;
  std::copy_if(
      c.rows.begin(), c.rows.end(), std::back_inserter(expected), [&](const CorpusRow& row) {
        return row.outcome == "ok" || (takenAsListed && row.outcome == "unsupported-by-design");
      });
  const std::map<std::string, Entry> others =
      ExpectRows(entries, expected, c.folder.filename() == "zip");
  if (c.AllOk() || takenAsListed) {
    for (const auto& [path, entry] : others)
      ADD_FAILURE() << "unexpected " << entry.type << " " << path;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusProgramTest, ::testing::ValuesIn(AllCases()),
                         CorpusCaseName);

}  // namespace
}  // namespace tessaly::testing
