#include "support/corpus_table.h"

#include <openssl/sha.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace tessaly::testing {

void PrintTo(const CorpusCase& corpus, std::ostream* out) {
  *out << corpus.archive << " (" << corpus.password << ")";
}

std::vector<CorpusCase> LoadCorpusCases(const std::filesystem::path& folder) {
  std::ifstream table(folder / "expected.tsv");
  if (!table) return {CorpusCase{}};
  std::vector<CorpusCase> cases;
  std::string line;
  std::getline(table, line);  // the header
  while (std::getline(table, line)) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
    if (f.size() != 7) continue;
    auto found = std::find_if(cases.begin(), cases.end(), [&](const CorpusCase& c) {
      return c.archive == f[0] && c.password == f[1];
    });
    if (found == cases.end()) found = cases.insert(cases.end(), CorpusCase{f[0], f[1], {}});
    found->rows.push_back({f[2], f[3], f[4], f[5], f[6]});
  }
  return cases;
}

std::string CorpusCaseName(const ::testing::TestParamInfo<CorpusCase>& info) {
  std::string name = info.param.archive.empty() ? "corpus_missing" : info.param.archive;
  name += info.param.password == "-" ? "" : "_" + info.param.password;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
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

}  // namespace tessaly::testing
