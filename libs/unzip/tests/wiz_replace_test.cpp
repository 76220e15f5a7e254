// Existing output files: the overwrite options, update modes and replace answers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

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

TEST_F(WizReplace, SkipOverwriteAndTheirAllForms) {
  recorder_.replace_answers = {{100, ""}, {102, ""}, {101, ""}};
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(contents(), "old|new b|new c");
  ASSERT_EQ(recorder_.replace_questions.size(), 3u);
  EXPECT_EQ(recorder_.replace_questions[0].path, "out/a.txt");
  EXPECT_GE(recorder_.replace_questions[0].size, 260u);
  EXPECT_EQ(recorder_.chunks.front(), "Target file exists.  Skipping out/a.txt\n");
  EXPECT_EQ(recorder_.service_calls.size(), 2u);  // none for the skipped file
  EXPECT_EQ(recorder_.sounds, 2);
}

// 103 overwrites and 104 skips every later file without asking; skips are still reported.
TEST_F(WizReplace, TheAllAnswersStopAsking) {
  recorder_.replace_answers = {{102, ""}, {104, ""}};
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(contents(), "new a|old|old");
  EXPECT_EQ(recorder_.replace_questions.size(), 2u);
  EXPECT_EQ(recorder_.chunks,
            chunks({extracting("out/a.txt"), "\n", "Target file exists.  Skipping out/b.txt\n",
                    "Target file exists.  Skipping out/c.txt\n"}));

  for (const char* name : {"a.txt", "b.txt", "c.txt"}) write_text(fs::path("out") / name, "old");
  Recorder overwrite_all;
  overwrite_all.replace_answers = {{100, ""}, {103, ""}};
  EXPECT_EQ(call_.run(overwrite_all), PK_OK);
  EXPECT_EQ(contents(), "old|new b|new c");
  EXPECT_EQ(overwrite_all.replace_questions.size(), 2u);
}

TEST_F(WizReplace, RenameIntoASubFolderAndAskAgainWhenTaken) {
  call_.includes = {"a.txt"};
  recorder_.replace_answers = {{105, "b.txt"}, {105, "sub\\dir/a2.txt"}};
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  ASSERT_EQ(recorder_.replace_questions.size(), 2u);
  EXPECT_EQ(recorder_.replace_questions[1].path, "out/b.txt");
  EXPECT_EQ(read_text("out/sub/dir/a2.txt"), "new a");
  EXPECT_EQ(contents(), "old|old|old");
  EXPECT_EQ(recorder_.chunks.front(), extracting("out/sub/dir/a2.txt"));
}

TEST_F(WizReplace, RenameStaysInsideTheFolder) {
  call_.includes = {"a.txt"};
  const std::string inside = (fs::current_path() / "out/in.txt").string();
  recorder_.replace_answers = {{105, "/tmp/elsewhere/x.txt"}};
  EXPECT_EQ(call_.run(recorder_), PK_WARN);
  EXPECT_EQ(recorder_.chunks.front(),
            "warning:  stripped absolute path spec from /tmp/elsewhere/x.txt\n");
  EXPECT_EQ(read_text("out/tmp/elsewhere/x.txt"), "new a");

  Recorder again;
  again.replace_answers = {{105, inside}};
  EXPECT_EQ(call_.run(again), PK_OK);  // an absolute path inside the folder is taken as is
  EXPECT_EQ(read_text("out/in.txt"), "new a");

  Recorder climbing;
  climbing.replace_answers = {{105, "../../escape.txt"}};
  EXPECT_EQ(call_.run(climbing), PK_WARN);
  EXPECT_EQ(read_text("out/escape.txt"), "new a");
  EXPECT_FALSE(fs::exists("escape.txt"));
}

TEST_F(WizReplace, NeverOverwriteWithoutTheCallback) {
  call_.options.PromptToOverwrite = 0;
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(contents(), "old|old|old");
  EXPECT_EQ(recorder_.chunks.size(), 3u);
  EXPECT_TRUE(recorder_.replace_questions.empty());

  Recorder forced;
  call_.options.PromptToOverwrite = 1;
  call_.options.noflag = 1;  // wins over asking
  EXPECT_EQ(call_.run(forced), PK_OK);
  EXPECT_EQ(contents(), "new a|new b|new c");
  EXPECT_TRUE(forced.replace_questions.empty());
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

// Permission bits only, and only those the umask allows: never set-user-ID, set-group-ID
// or sticky.
TEST_F(WizReplace, WrittenFilesGetTheirTimeAndMode) {
  write_zip("m.zip", {Entry("x.sh", "#!/bin/sh\n").mode(0106777).time(kArchiveTime),
                      Entry("y.txt", "y").mode(0101640)});
  call_.zip = "m.zip";
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  const mode_t mask = umask(0);
  umask(mask);
  struct stat info;
  ASSERT_EQ(stat("out/x.sh", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0777u & ~mask);
  EXPECT_EQ(info.st_mtime, kArchiveTime);
  ASSERT_EQ(stat("out/y.txt", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u & ~mask);
}

// However the overwrite was granted, an entry that fails or is stopped leaves the file
// it was to replace as it was, and nothing beside it.
TEST_F(WizReplace, AFailedEntryLeavesTheOldFileAndNothingElse) {
  const std::string big = as_text(sample_bytes(600 * 1024));
  const auto flip = [](std::size_t after_data) {
    return [after_data](const fs::path& zip) {
      auto bytes = read_bytes(zip);
      bytes.at(data_at(zip, "a.txt") + after_data) ^= 0x55;
      write_bytes(zip, bytes);
    };
  };
  struct Case {
    const char* label;
    Entry entry;
    std::function<void(const fs::path&)> damage;
    int32_t answer;  // 0: overwrite without asking
    std::size_t stop_at_service_call;
    int32_t code;
  };
  const Case cases[] = {
      {"bad CRC", Entry("a.txt", "new a"), flip(0), 0, 0, PK_ERR},
      {"invalid deflate data", Entry("a.txt", big, ZIP_CM_DEFLATE),
       [](const fs::path& zip) { overwrite_byte(zip, data_at(zip, "a.txt"), 0x07); }, 102, 0,
       PK_ERR},
      // Past the salt and the password verifier: the authentication code fails.
      {"AES data damaged", Entry("a.txt", "aes text").encrypt(ZIP_EM_AES_256, "secret"), flip(21),
       103, 0, PK_ERR},
      {"stopped while writing", Entry("a.txt", big, ZIP_CM_DEFLATE), nullptr, 0, 1, IZ_CTRLC},
  };
  call_.zip = "f.zip";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    write_zip("f.zip", {c.entry});
    if (c.damage) c.damage("f.zip");
    Recorder recorder;
    recorder.password_answers = {{0, "secret"}};
    if (c.answer != 0) recorder.replace_answers = {{c.answer, ""}};
    recorder.stop_at_service_call = c.stop_at_service_call;
    call_.options.noflag = c.answer == 0;
    EXPECT_EQ(call_.run(recorder), c.code) << recorder.joined();
    EXPECT_EQ(contents(), "old|old|old");
    EXPECT_EQ(std::distance(fs::directory_iterator("out"), {}), 3);
  }
}

}  // namespace
}  // namespace unzip::test
