#include "support/corpus_table.h"

#include "support/files.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace tessaly::testing {

namespace {

namespace fs = std::filesystem;

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

DigestContext NewSha256() {
  DigestContext context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
  return context;
}

std::string HexDigest(EVP_MD_CTX* context) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  static const char* kHex = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0xf];
  }
  return hex;
}

}  // namespace

bool CorpusCase::AllOk() const {
  return std::all_of(rows.begin(), rows.end(),
                     [](const CorpusRow& r) { return r.outcome == "ok"; });
}

bool CorpusCase::Has(const std::string& outcome) const {
  return std::any_of(rows.begin(), rows.end(),
                     [&](const CorpusRow& r) { return r.outcome == outcome; });
}

void PrintTo(const CorpusCase& corpus, std::ostream* out) {
  *out << (corpus.folder / corpus.archive).string() << " (" << corpus.password << ")";
}

std::vector<CorpusCase> LoadCorpusCases(const fs::path& folder) {
  std::vector<CorpusCase> cases;
  std::ifstream table(folder / "expected.tsv");
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
    if (found == cases.end()) found = cases.insert(cases.end(), CorpusCase{folder, f[0], f[1], {}});
    found->rows.push_back({f[2], f[3], f[4], f[5], f[6]});
  }
  if (cases.empty()) cases.push_back(CorpusCase{folder, "", "-", {}});
  return cases;
}

::testing::AssertionResult CorpusFilesIntact(const CorpusCase& corpus) {
  if (corpus.archive.empty()) {
    return ::testing::AssertionFailure()
           << "no corpus cases: " << (corpus.folder / "expected.tsv") << " is missing or empty";
  }
  if (!fs::is_regular_file(corpus.folder / corpus.archive)) {
    return ::testing::AssertionFailure()
           << "no corpus archive at " << (corpus.folder / corpus.archive);
  }
  for (const CorpusRow& row : corpus.rows) {
    if (row.type != "part") continue;
    const fs::path part = corpus.folder / row.path;
    if (!fs::is_regular_file(part)) {
      return ::testing::AssertionFailure() << "no corpus volume at " << part;
    }
    if (Sha256OfFile(part) != row.sha256) {
      return ::testing::AssertionFailure() << "the corpus copy of " << part << " is damaged";
    }
  }
  return ::testing::AssertionSuccess();
}

std::string CorpusCaseName(const ::testing::TestParamInfo<CorpusCase>& info) {
  std::string name = info.param.folder.filename().string() + "_" +
                     (info.param.archive.empty() ? "no_table" : info.param.archive);
  name += info.param.password == "-" ? "" : "_" + info.param.password;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

void ExpectTreeAsListed(const fs::path& root, const std::vector<CorpusRow>& rows,
                        bool nothingElse) {
  std::vector<std::string> listed;
  for (const CorpusRow& row : rows) {
    const fs::path path = root / row.path;
    const fs::file_status status = fs::symlink_status(path);
    std::error_code error;
    if (row.type == "dir") {
      EXPECT_TRUE(fs::is_directory(status)) << row.path;
      listed.push_back(row.path + "/");
    } else if (row.type == "link") {
      EXPECT_TRUE(fs::is_symlink(status)) << row.path;
      EXPECT_EQ(Sha256Hex(fs::read_symlink(path, error).string()), row.sha256) << row.path;
      listed.push_back(row.path);
    } else if (row.type == "file") {
      EXPECT_TRUE(fs::is_regular_file(status)) << row.path;
      EXPECT_EQ(std::to_string(fs::file_size(path, error)), row.size) << row.path;
      EXPECT_EQ(Sha256OfFile(path), row.sha256) << row.path;
      listed.push_back(row.path);
    }
  }
  std::sort(listed.begin(), listed.end());
  if (nothingElse) {
    EXPECT_EQ(TreeOf(root), listed);
  }
}

std::string Sha256Hex(const std::string& bytes) {
  const DigestContext context = NewSha256();
  EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
  return HexDigest(context.get());
}

std::string Sha256OfFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "";
  const DigestContext context = NewSha256();
  std::vector<char> buffer(1 << 16);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(in.gcount()));
  }
  return HexDigest(context.get());
}

}  // namespace tessaly::testing
