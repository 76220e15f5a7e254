// Real archives from the corpus through the whole call, compared with expected.tsv.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "test_support.h"

namespace unzip::test {
namespace {

// One line of expected.tsv.
struct CorpusRow {
  std::string archive, password, outcome, type, path, size, sha256;
};

std::string sha256_of(const std::string& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
  std::string hex;
  char byte[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(byte, sizeof byte, "%02x", digest[i]);
    hex += byte;
  }
  return hex;
}

struct Case {
  std::string archive, password;
  std::vector<CorpusRow> rows;
  bool all_ok() const {
    for (const CorpusRow& row : rows)
      if (row.outcome != "ok") return false;
    return true;
  }
};

// The rows of expected.tsv grouped by archive and password.
std::vector<Case> load_cases() {
  std::map<std::pair<std::string, std::string>, Case> cases;
  std::ifstream table(corpus_file("expected.tsv"));
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    std::vector<std::string> f;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) f.push_back(field);
    if (f.size() != 7) continue;
    const CorpusRow row = {f[0], f[1], f[2], f[3], f[4], f[5], f[6]};
    Case& c = cases[{row.archive, row.password}];
    c.archive = row.archive;
    c.password = row.password;
    c.rows.push_back(row);
  }
  std::vector<Case> list;
  for (auto& [key, c] : cases) list.push_back(c);
  return list;
}

void expect_rows(const Case& c, const fs::path& out) {
  for (const CorpusRow& row : c.rows) {
    const fs::path path = out / row.path;
    if (row.type == "file") {
      EXPECT_EQ(sha256_of(read_text(path)), row.sha256) << c.archive << ": " << row.path;
    } else if (row.type == "dir") {
      EXPECT_TRUE(fs::is_directory(path)) << c.archive << ": " << row.path;
    } else if (row.type == "link") {
      EXPECT_EQ(sha256_of(fs::read_symlink(path).string()), row.sha256) << row.path;
    }
  }
}

using WizCorpus = WizTest;

TEST_F(WizCorpus, EveryCaseThroughTheCall) {
  fs::create_directory("dest");
  const std::vector<Case> cases = load_cases();
  ASSERT_FALSE(cases.empty()) << "no cases in " << corpus_file("expected.tsv");
  int index = 0;
  for (const Case& c : cases) {
    Call call;
    call.zip = corpus_file(c.archive).string();
    const fs::path out = fs::path("dest") / std::to_string(++index);
    call.folder = out.string();
    Recorder recorder;
    for (int i = 0; i < 32; ++i)
      recorder.password_answers.push_back(c.password == "-" ? PasswordAnswer{1, ""}
                                                            : PasswordAnswer{0, c.password});
    const int32_t code = call.run(recorder);
    if (c.all_ok()) {
      EXPECT_EQ(code, PK_OK) << c.archive << "\n" << recorder.joined();
      expect_rows(c, out);
    } else if (c.rows.front().outcome == "unsupported-by-design") {
      if (code == PK_OK) expect_rows(c, out);
    } else {
      EXPECT_NE(code, PK_OK) << c.archive << " " << c.password;
    }
  }
  // Nothing lands beside the destinations.
  std::vector<std::string> top;
  for (const auto& item : fs::directory_iterator(".")) top.push_back(item.path().filename());
  EXPECT_EQ(top, std::vector<std::string>{"dest"});
}

// The verb that opens each entry's line, for the methods only the corpus holds; the
// status window reads "inflating" and "extracting" lines as the entry being written.
TEST_F(WizCorpus, EachMethodsVerb) {
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"sc-Zip.shrink.zip", "TECT.TXT", "unshrinking: "},
      {"zip2-reduce.zip", "first.txt", " unreducing: "},
      {"zip2-implode.zip", "first.txt", "  exploding: "},
      {"sc-Zip.deflate64.zip", "exe/test.exe", "  inflating: "},
      {"zip2-xz.zip", "hello.txt", " extracting: "},
      {"sc-WinZip27_ZSTD.zipx", "exe/test.exe", " extracting: "},
  };
  call_.folder = "o";
  call_.options.noflag = 1;
  for (const auto& [archive, entry, verb] : rows) {
    SCOPED_TRACE(archive);
    call_.zip = corpus_file(archive).string();
    call_.includes = {entry};
    Recorder recorder;
    EXPECT_EQ(call_.run(recorder), PK_OK) << recorder.joined();
    EXPECT_EQ(recorder.chunks, chunks({verb + pad(std::string("o/") + entry) + "  ", "\n"}));
  }
}

}  // namespace
}  // namespace unzip::test
