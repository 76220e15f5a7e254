// Existing output files: the overwrite options, update modes and replace answers (a
// failed or stopped entry keeping the old file is shown through the ZIP backend).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include "test_support.h"

namespace unzip::test {
namespace {

class WizReplace : public WizTest {
 protected:
  void SetUp() override {
    WizTest::SetUp();
    write_zip("r.zip", {Entry("a.txt", "new a").time(kArchiveTime),
                        Entry("b.txt", "new b").time(kArchiveTime),
                        Entry("c.txt", "new c").time(kArchiveTime)});
    fs::create_directory("out");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) write_text(fs::path("out") / name, "old");
    call_.zip = "r.zip";
    call_.folder = "out";
    call_.options.PromptToOverwrite = 1;
  }
  std::string contents() const {
    return read_text("out/a.txt") + "|" + read_text("out/b.txt") + "|" + read_text("out/c.txt");
  }
  static constexpr time_t kArchiveTime = 1600000000;
};

// 103 overwrites and 104 skips every later file without asking; an answer the call
// does not know overwrites. Every skip is reported.
TEST_F(WizReplace, AnswersAndOptions) {
  struct Case {
    const char* label;
    int32_t prompt, noflag;
    std::vector<int32_t> answers;
    std::string contents;
  };
  const Case cases[] = {
      {"skip, overwrite, unknown answer", 1, 0, {100, 102, 101}, "old|new b|new c"},
      {"overwrite, then skip all", 1, 0, {102, 104}, "new a|old|old"},
      {"skip, then overwrite all", 1, 0, {100, 103}, "old|new b|new c"},
      {"no asking: never overwrite", 0, 0, {}, "old|old|old"},
      {"overwrite wins over asking", 1, 1, {}, "new a|new b|new c"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) write_text(fs::path("out") / name, "old");
    Recorder recorder;
    for (int32_t answer : c.answers) recorder.replace_answers.push_back({answer, ""});
    call_.options.PromptToOverwrite = c.prompt;
    call_.options.noflag = c.noflag;
    EXPECT_EQ(call_.run(recorder), PK_OK);
    EXPECT_EQ(contents(), c.contents);
    EXPECT_TRUE(recorder.replace_answers.empty()) << "fewer questions than answers";
    std::vector<std::string> expected;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      const std::string path = std::string("out/") + name;
      if (read_text(path) == "old") {
        expected.push_back("Target file exists.  Skipping " + path + "\n");
      } else {
        expected.insert(expected.end(), {extracting(path), "\n"});
      }
    }
    EXPECT_EQ(recorder.chunks, expected);
    EXPECT_EQ(recorder.service_calls.size(), expected.size() - 3);  // none for a skip
  }
}

// An absolute path inside the folder is taken as is, any other lands inside; one that
// climbs out is refused.
TEST_F(WizReplace, RenameStaysInsideTheFolder) {
  call_.includes = {"a.txt"};
  const std::tuple<std::string, int32_t, const char*> rows[] = {
      {"/tmp/elsewhere/x.txt", PK_OK, "out/tmp/elsewhere/x.txt"},
      {(fs::current_path() / "out/in.txt").string(), PK_OK, "out/in.txt"},
      {"../../escape.txt", PK_ERR, nullptr},
  };
  for (const auto& [rename, code, landed] : rows) {
    Recorder recorder;
    recorder.replace_answers = {{105, rename}};
    EXPECT_EQ(call_.run(recorder), code) << rename;
    if (landed) {
      EXPECT_EQ(read_text(landed), "new a") << rename;
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator("."), {}), 2) << "only r.zip and out";
}

TEST_F(WizReplace, UpdateAndFreshen) {
  const struct timespec newer[2] = {{kArchiveTime + 100, 0}, {kArchiveTime + 100, 0}};
  const struct timespec older[2] = {{kArchiveTime - 100, 0}, {kArchiveTime - 100, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, "out/a.txt", newer, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, "out/b.txt", older, 0), 0);
  fs::remove("out/c.txt");
  call_.options.ExtractOnlyNewer = 1;
  call_.options.noflag = 1;
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(recorder_.chunks.front(), "Target file newer.  Skipping out/a.txt\n");
  EXPECT_EQ(contents(), "old|new b|new c");

  Recorder fresh;
  fs::remove("out/c.txt");
  call_.options.ExtractOnlyNewer = 0;
  call_.options.nfflag = 1;
  EXPECT_EQ(call_.run(fresh), PK_OK);
  EXPECT_FALSE(fs::exists("out/c.txt"));  // freshen creates nothing new
}

}  // namespace
}  // namespace unzip::test
