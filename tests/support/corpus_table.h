// The cases of a corpus folder's expected.tsv (see tests/corpus/README.md): one
// per archive and password, in the table's order, with the rows each must produce.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace tessaly::testing {

struct CorpusRow {
  std::string outcome;
  std::string type;
  std::string path;
  std::string size;
  std::string sha256;
};

struct CorpusCase {
  std::filesystem::path folder;  // the corpus folder holding the table
  std::string archive;           // "" stands for a missing or empty table
  std::string password;          // "-" for none
  std::vector<CorpusRow> rows;

  bool AllOk() const;
  bool Has(const std::string& outcome) const;
};

void PrintTo(const CorpusCase& corpus, std::ostream* out);

// Never empty: without a table, or with one that lists nothing, one case with no
// archive, so that a suite made of the cases fails in CorpusFilesIntact instead of
// having no test at all.
std::vector<CorpusCase> LoadCorpusCases(const std::filesystem::path& folder);

// Whether the table, the archive and each of its parts are there, every part with the
// SHA-256 the table lists; the failure names the missing or changed file.
::testing::AssertionResult CorpusFilesIntact(const CorpusCase& corpus);

// A test name for the case: its folder, archive and password, other characters as "_".
std::string CorpusCaseName(const ::testing::TestParamInfo<CorpusCase>& info);

// Every file, folder and link of rows is below root, a file with its size and SHA-256, a
// link with the SHA-256 of its target; with nothingElse, root holds nothing more.
void ExpectTreeAsListed(const std::filesystem::path& root, const std::vector<CorpusRow>& rows,
                        bool nothingElse);

std::string Sha256Hex(const std::string& bytes);
// The same for a file's content, read in pieces so that large outputs need no copy in
// memory; "" when the file cannot be read.
std::string Sha256OfFile(const std::filesystem::path& file);

}  // namespace tessaly::testing
