// The password loop: prompts, answers, the current password, and AES entries.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

const char* const kFirst = "Enter password for: ";
const char* const kAgain = "Password incorrect--reenter: ";

class WizPassword : public WizTest {
 protected:
  // Two ZipCrypto entries with the same password, made by the zip command.
  void make_pair() {
    fs::create_directory("src");
    write_text("src/one.txt", "first secret text\n");
    write_text("src/two.txt", "second secret text\n");
    zip_refusing({"a", "b", "c", "guess", "nope", "pw", "x", "y"},
                 "cd src && zip -q -P secret ../p.zip one.txt two.txt");
    call_.zip = "p.zip";
    call_.folder = "out";
  }
  // A wrong password passes the one-byte header check of this encryption once in 256
  // tries, and zip salts each archive at random: makes p.zip with command until
  // Info-ZIP's own unzip finds every one of the wrong answers wrong (exit status 82).
  static void zip_refusing(const std::vector<std::string>& wrong, const std::string& command) {
    std::string refused = "true";
    for (const std::string& password : wrong) {
      refused += " && { unzip -tqq -P " + password + " p.zip >/dev/null 2>&1; test $? = 82; }";
    }
    for (int attempt = 0; attempt < 50; ++attempt) {
      ASSERT_EQ(run_in(".", "rm -f p.zip && " + command), 0);
      if (run_in(".", refused) == 0) return;
    }
    FAIL() << "no archive refused every wrong answer";
  }
  std::vector<std::string> prompts() const {
    std::vector<std::string> seen;
    for (const PasswordQuestion& q : recorder_.password_questions) seen.push_back(q.prompt);
    return seen;
  }
};

TEST_F(WizPassword, ThreeWrongAnswersThenSkip) {
  make_pair();
  call_.includes = {"one.txt"};
  recorder_.password_answers = {{0, "a"}, {0, "b"}, {0, "c"}};
  EXPECT_EQ(call_.run(recorder_), IZ_BADPWD);
  EXPECT_EQ(prompts(), (std::vector<std::string>{kFirst, kAgain, kAgain}));
  for (const PasswordQuestion& q : recorder_.password_questions) {
    EXPECT_EQ(q.size, 81);
    EXPECT_EQ(q.name, "one.txt");
  }
  EXPECT_EQ(recorder_.chunks,
            chunks({"   skipping: " + pad("one.txt") + "  incorrect password\n"}));
  EXPECT_EQ(recorder_.sounds, 0);
  EXPECT_TRUE(recorder_.service_calls.empty());
  EXPECT_FALSE(fs::exists("out/one.txt"));
}

TEST_F(WizPassword, RightPasswordIsReusedSilently) {
  make_pair();
  recorder_.password_answers = {{0, "guess"}, {0, "secret"}};
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(prompts(), (std::vector<std::string>{kFirst, kAgain}));
  EXPECT_EQ(read_text("out/one.txt"), "first secret text\n");
  EXPECT_EQ(read_text("out/two.txt"), "second secret text\n");
}

TEST_F(WizPassword, LastWrongTextIsTriedFirstOnTheNextEntry) {
  fs::create_directory("src");
  write_text("src/one.txt", "1");
  write_text("src/two.txt", "2");
  zip_refusing({"x", "y"},
               "cd src && zip -q -P first ../p.zip one.txt && zip -q -P second ../p.zip two.txt");
  recorder_.password_answers = {{0, "x"}, {0, "y"}, {0, "second"}};
  EXPECT_EQ(extract("p.zip"), PK_WARN);  // some, not all, failed
  EXPECT_EQ(recorder_.password_questions.size(), 3u);
  EXPECT_EQ(read_text("out/two.txt"), "2");
}

TEST_F(WizPassword, NoPasswordAnswerAsksAgainForTheNextEntry) {
  make_pair();
  recorder_.password_answers = {{1, ""}, {1, ""}};
  EXPECT_EQ(call_.run(recorder_), IZ_BADPWD);
  EXPECT_EQ(prompts(), (std::vector<std::string>{kFirst, kFirst}));
  EXPECT_EQ(recorder_.chunks,
            chunks({"   skipping: " + pad("one.txt") + "  incorrect password\n",
                    "   skipping: " + pad("two.txt") + "  incorrect password\n"}));
}

TEST_F(WizPassword, MinusTwoStopsAllPrompts) {
  make_pair();
  recorder_.password_answers = {{-2, ""}};
  EXPECT_EQ(call_.run(recorder_), IZ_BADPWD);
  EXPECT_EQ(recorder_.password_questions.size(), 1u);
  EXPECT_EQ(recorder_.chunks.size(), 2u);
}

TEST_F(WizPassword, FiveGivesUpOnTheEntryOnly) {
  make_pair();
  recorder_.password_answers = {{5, ""}, {0, "secret"}};
  EXPECT_EQ(call_.run(recorder_), PK_MEM2);
  EXPECT_EQ(prompts(), (std::vector<std::string>{kFirst, kFirst}));
  EXPECT_EQ(recorder_.chunks.front(),
            "   skipping: " + pad("one.txt") + "  unable to get password\n");
  EXPECT_EQ(read_text("out/two.txt"), "second secret text\n");

  Recorder quiet;
  quiet.password_answers = {{5, ""}, {5, ""}};
  call_.options.fQuiet = 2;
  call_.options.noflag = 1;
  EXPECT_EQ(call_.run(quiet), PK_MEM2);
  EXPECT_EQ(quiet.chunks.size(), 2u);  // printed whatever fQuiet says
}

TEST_F(WizPassword, AskedBeforeTheOverwriteQuestion) {
  make_pair();
  fs::create_directory("out");
  write_text("out/one.txt", "old");
  call_.includes = {"one.txt"};
  call_.options.PromptToOverwrite = 1;
  recorder_.password_answers = {{0, "secret"}};
  recorder_.replace_answers = {{100, ""}};
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{"password", "replace", "chunk"}));
  EXPECT_EQ(recorder_.chunks, chunks({"Target file exists.  Skipping out/one.txt\n"}));
  EXPECT_EQ(read_text("out/one.txt"), "old");
}

TEST_F(WizPassword, FolderEntryTurnsEightyTwoIntoOne) {
  fs::create_directories("src/d");
  write_text("src/d/x.txt", "x");
  ASSERT_EQ(run_in(".", "cd src && zip -q -P secret ../p.zip d/ d/x.txt"), 0);
  recorder_.password_answers = {{1, ""}};
  EXPECT_EQ(extract("p.zip"), PK_WARN);
}

TEST_F(WizPassword, AesEntriesUseTheSameLoop) {
  write_zip("aes.zip",
            {Entry("a.txt", "aes text one", ZIP_CM_DEFLATE).encrypt(ZIP_EM_AES_256, "pw"),
             Entry("b.txt", "aes text two").encrypt(ZIP_EM_AES_128, "pw")});
  recorder_.password_answers = {{0, "nope"}, {0, "pw"}};
  EXPECT_EQ(extract("aes.zip"), PK_OK) << recorder_.joined();
  EXPECT_EQ(prompts(), (std::vector<std::string>{kFirst, kAgain}));
  EXPECT_EQ(read_text("out/a.txt"), "aes text one");
  EXPECT_EQ(read_text("out/b.txt"), "aes text two");
  EXPECT_EQ(recorder_.chunks[0], inflating("out/a.txt"));
  EXPECT_EQ(recorder_.chunks[2], extracting("out/b.txt"));
}

TEST_F(WizPassword, DamagedEncryptedDataMayBeAWrongPassword) {
  fs::create_directory("src");
  write_text("src/one.txt", "stored secret text, long enough to damage\n");
  ASSERT_EQ(run_in(".", "cd src && zip -q -0 -P secret ../p.zip one.txt"), 0);
  write_zip("aes.zip", {Entry("a.txt", "aes protected text").encrypt(ZIP_EM_AES_256, "secret")});
  overwrite_byte("p.zip", data_at("p.zip", "one.txt") + 12 + 5, 0x55);
  overwrite_byte("aes.zip", data_at("aes.zip", "a.txt") + 16 + 2 + 3, 0x55);
  for (const char* zip : {"p.zip", "aes.zip"}) {
    Recorder recorder;
    recorder.password_answers = {{0, "secret"}};
    call_.zip = zip;
    call_.folder = "out";
    EXPECT_EQ(call_.run(recorder), PK_ERR) << zip;
    ASSERT_EQ(recorder.chunks.size(), 3u) << recorder.joined();
    EXPECT_EQ(recorder.chunks[1].substr(0, 9), " bad CRC ");
    EXPECT_EQ(recorder.chunks[2], "    (may instead be incorrect password)\n");
  }
}

}  // namespace
}  // namespace unzip::test
