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
  std::string archive;   // "" stands for a missing table
  std::string password;  // "-" for none
  std::vector<CorpusRow> rows;
};

void PrintTo(const CorpusCase& corpus, std::ostream* out);

// Without a table, one case with no archive, so that a test shows as skipped rather
// than not being there at all.
std::vector<CorpusCase> LoadCorpusCases(const std::filesystem::path& folder);

// A test name for the case: its archive and password, other characters as "_".
std::string CorpusCaseName(const ::testing::TestParamInfo<CorpusCase>& info);

std::string Sha256Hex(const std::string& bytes);

}  // namespace tessaly::testing
