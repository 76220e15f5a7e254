// Real archives from the corpus through the whole call, compared with expected.tsv.
#include <gtest/gtest.h>

#include <map>

#include "test_support.h"

namespace unzip::test {
namespace {

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
  for (const CorpusRow& row : corpus_rows()) {
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

struct VerbCase {
  const char* archive;
  const char* entry;
  const char* chunk;  // the per-file chunk, without the output folder
};

// The verbs of our own decoders are checked in the decoder call tests.
TEST_F(WizCorpus, PerFileVerbsOfEachMethod) {
  const VerbCase cases[] = {
      {"sc-Zip.deflate64.zip", "exe/test.exe", "  inflating: "},
      {"zip2-xz.zip", "hello.txt", " extracting: "},
      {"sc-WinZip27_ZSTD.zipx", "exe/test.exe", " extracting: "},
  };
  for (const VerbCase& c : cases) {
    Call call;
    call.zip = corpus_file(c.archive).string();
    call.folder = "o";
    call.options.noflag = 1;
    call.includes = {c.entry};
    Recorder recorder;
    EXPECT_EQ(call.run(recorder), PK_OK) << c.archive << "\n" << recorder.joined();
    EXPECT_EQ(recorder.chunks, chunks({c.chunk + pad(std::string("o/") + c.entry) + "  ", "\n"}))
        << c.archive;
  }
}

}  // namespace
}  // namespace unzip::test
