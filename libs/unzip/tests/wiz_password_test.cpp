// The password loop: prompts, answers and the current password, on AES entries (the
// corpus's traditional-cipher cases go through the same loop), and damaged encrypted
// data.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

const char* const kFirst = "Enter password for: ";
const char* const kAgain = "Password incorrect--reenter: ";

class WizPassword : public WizTest {
 protected:
  void SetUp() override {
    WizTest::SetUp();
    call_.zip = "p.zip";
    call_.folder = "out";
  }
  // Writes p.zip until libzip's own check refuses every wrong answer for one.txt:
  // the two-byte AES verifier lets one wrong password in 65536 through.
  static void write_refusing(const std::vector<Entry>& entries,
                             const std::vector<std::string>& wrong) {
    for (int attempt = 0; attempt < 10; ++attempt) {
      write_zip("p.zip", entries);
      zip_t* zip = zip_open("p.zip", ZIP_RDONLY, nullptr);
      bool refused = zip != nullptr;
      for (const std::string& password : wrong) {
        zip_file_t* file = zip ? zip_fopen_encrypted(zip, "one.txt", 0, password.c_str()) : nullptr;
        refused = refused && file == nullptr;
        if (file) zip_fclose(file);
      }
      if (zip) zip_discard(zip);
      if (refused) return;
    }
    FAIL() << "a wrong password passed every time";
  }
  // Two entries with the same password, the first deflated.
  static void make_pair() {
    write_refusing(
        {Entry("one.txt", "first secret text\n", ZIP_CM_DEFLATE).encrypt(ZIP_EM_AES_256, "secret"),
         Entry("two.txt", "second secret text\n").encrypt(ZIP_EM_AES_128, "secret")},
        {"a", "b", "c", "guess"});
  }
  std::vector<std::string> prompts(const Recorder& recorder) const {
    std::vector<std::string> seen;
    for (const PasswordQuestion& q : recorder.password_questions) seen.push_back(q.prompt);
    return seen;
  }
};

TEST_F(WizPassword, AnswersOverTwoEntries) {
  struct Case {
    const char* label;
    int32_t quiet;
    std::deque<PasswordAnswer> answers;
    int32_t code;
    std::vector<std::string> prompts, chunks;
    std::vector<std::string> includes = {};
  };
  const std::string unable = "unable to get password", incorrect = "incorrect password";
  const Case cases[] = {
      {"three wrong answers, then skipped",
       0,
       {{0, "a"}, {0, "b"}, {0, "c"}},
       IZ_BADPWD,
       {kFirst, kAgain, kAgain},
       {skipping("one.txt", incorrect)},
       {"one.txt"}},
      {"right after a wrong one, then reused silently",
       0,
       {{0, "guess"}, {0, "secret"}},
       PK_OK,
       {kFirst, kAgain},
       {inflating("out/one.txt"), "\n", extracting("out/two.txt"), "\n"}},
      {"1: none, and asked anew for the next entry",
       0,
       {{1, ""}, {1, ""}},
       IZ_BADPWD,
       {kFirst, kFirst},
       {skipping("one.txt", incorrect), skipping("two.txt", incorrect)}},
      {"-2: none, and no more questions",
       0,
       {{-2, ""}},
       IZ_BADPWD,
       {kFirst},
       {skipping("one.txt", incorrect), skipping("two.txt", incorrect)}},
      {"5: give up on this entry only",
       0,
       {{5, ""}, {0, "secret"}},
       PK_MEM2,
       {kFirst, kFirst},
       {skipping("one.txt", unable), extracting("out/two.txt"), "\n"}},
      {"5 is said whatever fQuiet says",
       2,
       {{5, ""}, {5, ""}},
       PK_MEM2,
       {kFirst, kFirst},
       {skipping("one.txt", unable), skipping("two.txt", unable)}},
  };
  make_pair();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all("out");
    Recorder recorder;
    recorder.password_answers = c.answers;
    call_.options.fQuiet = c.quiet;
    call_.includes = c.includes;
    EXPECT_EQ(call_.run(recorder), c.code);
    EXPECT_EQ(prompts(recorder), c.prompts);
    for (const PasswordQuestion& q : recorder.password_questions) EXPECT_EQ(q.size, 81);
    EXPECT_EQ(recorder.chunks, c.chunks);
    // A skipped entry makes no sound and no service call.
    EXPECT_EQ(recorder.sounds, static_cast<int>(recorder.service_calls.size()));
  }
}

TEST_F(WizPassword, DamagedEncryptedDataMayBeAWrongPassword) {
  fs::create_directory("src");
  write_text("src/one.txt", "stored secret text, long enough to damage\n");
  ASSERT_EQ(run_in(".", "cd src && zip -q -0 -P secret ../zc.zip one.txt"), 0);
  write_zip("aes.zip", {Entry("one.txt", "aes protected text").encrypt(ZIP_EM_AES_256, "secret")});
  // The salt and header bytes are random, so a byte is changed by flipping its bits,
  // never by writing a value it may already hold.
  for (const auto& [zip, at] : {std::pair{"zc.zip", data_at("zc.zip", "one.txt") + 12 + 5},
                                std::pair{"aes.zip", data_at("aes.zip", "one.txt") + 16 + 2 + 3}}) {
    overwrite_byte(zip, at, read_bytes(zip).at(at) ^ 0xFF);
  }
  for (const char* zip : {"zc.zip", "aes.zip"}) {
    Recorder recorder;
    recorder.password_answers = {{0, "secret"}};
    call_.zip = zip;
    EXPECT_EQ(call_.run(recorder), PK_ERR) << zip;
    ASSERT_EQ(recorder.chunks.size(), 3u) << recorder.joined();
    EXPECT_EQ(recorder.chunks[1].substr(0, 9), " bad CRC ");
    EXPECT_EQ(recorder.chunks[2], "    (may instead be incorrect password)\n");
  }
}

}  // namespace
}  // namespace unzip::test
