// ZIP jobs through the driver and the real library: sub-folders per archive, what replaces an
// existing file, passwords, library errors and damaged archives. A full disk is the end-to-end
// tests' part.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/odd_zip_writer.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class ZipJobTest : public DestinationJobTest {
 protected:
  std::string Corrupted(const std::string& archive) const {
    return "An error was encountered while processing \"" + PathOf(archive) +
           "\". The file is probably corrupted.";
  }
  // Each case of a table starts from an empty destination and no dialogs.
  void StartCase() {
    fs::remove_all(out_);
    fs::create_directory(out_);
    dialogs.messages.clear();
    dialogs.fileExistsQuestions.clear();
  }
  void ExpectDidNotFinish() const {
    const StatusModel& status = session.status;
    EXPECT_EQ(status.archiveLabel, kNotFinished);
    EXPECT_EQ(status.messageLabel, "");
    EXPECT_FALSE(status.backgroundButtonVisible);
    EXPECT_EQ(status.cancelButtonCaption, "OK");
  }
};

// However the file was granted for replacing, an entry that fails its CRC or whose
// stream is broken leaves it as it was, with nothing beside it.
TEST_F(ZipJobTest, AFailedEntryNeverReplacesTheOldFile) {
  struct Grant {
    const char* label;
    std::string answer;
    std::string setting;
  };
  const Grant grants[] = {{"Yes", "Yes", ""}, {"All", "All", ""}, {"auto overwrite", "", "1"}};
  WriteZip(PathOf("crc.zip"), {{"a.txt", "new contents of a"}});
  DamageBytes(PathOf("crc.zip"), "new contents of a");
  WriteZip(PathOf("stream.zip"), {{"a.txt", std::string(5000, 'x'), true}});
  std::string bytes = ReadFileText(PathOf("stream.zip"));
  const auto byte = [&](size_t at) { return static_cast<size_t>(static_cast<uint8_t>(bytes[at])); };
  // The first byte of the deflate stream: a final block of the reserved type 3.
  bytes[30 + (byte(26) | byte(27) << 8) + (byte(28) | byte(29) << 8)] = static_cast<char>(0xFF);
  WriteFileText(PathOf("stream.zip"), bytes);

  for (const std::string archive : {"crc.zip", "stream.zip"}) {
    for (const Grant& grant : grants) {
      SCOPED_TRACE(archive + ", " + grant.label);
      StartCase();
      WriteFileText(Out("a.txt"), "old");
      SetSetting("zip options", "auto overwrite", grant.setting);
      if (!grant.answer.empty()) dialogs.fileExistsAnswers = {grant.answer};
      ExtractOne(PathOf(archive));
      EXPECT_EQ(dialogs.fileExistsQuestions.size(), grant.answer.empty() ? 0u : 1u);
      EXPECT_EQ(ReadFileText(Out("a.txt")), "old");
      EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"a.txt"});
      EXPECT_EQ(MessageTexts(), std::vector<std::string>{Corrupted(archive)});
      EXPECT_EQ(session.status.archiveLabel, kNotFinished);
    }
  }
}

// Central records pointing at bytes another record owns make a small archive write
// much: 200 records of one local entry, and an entry stored inside another's data.
TEST_F(ZipJobTest, RecordsSharingDataAreADamagedArchive) {
  const std::string data(4096, 'z');
  std::vector<CentralRecord> records;
  for (int i = 0; i < 200; ++i) records.push_back({"f" + std::to_string(i) + ".txt", 0, data});
  WriteZipRecords(PathOf("same.zip"), StoredLocalEntry("f0.txt", data), records);
  const std::string inner = StoredLocalEntry("b.txt", data);
  WriteZipRecords(PathOf("inside.zip"), StoredLocalEntry("a.txt", inner),
                  {{"a.txt", 0, inner}, {"b.txt", 30 + 5, data}});

  for (const std::string archive : {"same.zip", "inside.zip"}) {
    SCOPED_TRACE(archive);
    StartCase();
    ExtractOne(PathOf(archive));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{Corrupted(archive)});
    EXPECT_EQ(session.status.archiveLabel, kNotFinished);
    EXPECT_EQ(TreeOf(out_), std::vector<std::string>{});
  }
}

// A PPMd entry was once called a corrupted archive.
TEST_F(ZipJobTest, AnEntryPackedWithAnUnsupportedMethodIsNamed) {
  fs::copy_file(fs::path(TESSALY_CORPUS_DIR) / "zip" / "zip2-ppmd.zip", PathOf("ppmd.zip"));
  ExtractOne(PathOf("ppmd.zip"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Tessaly could not extract \"ipsum.txt\": it "
                                                     "is packed with a method this version does "
                                                     "not support."});
  ExpectDidNotFinish();
}

// A RAR or ACE archive that stores a ZIP archive ends with the ZIP's own directory;
// it is still the archive it starts as.
TEST_F(ZipJobTest, AnArchiveHoldingAStoredZipIsNoZip) {
  WriteZip(PathOf("inner.zip"), {{"a.txt", "inside the zip"}});
  const std::string zip = ReadFileText(PathOf("inner.zip"));
  RarOptions rar5;
  rar5.format = RarFormat::Rar5;
  WriteRar(PathOf("holds4.rar"), {{"inner.zip", zip}});
  WriteRar(PathOf("holds5.rar"), {{"inner.zip", zip}}, rar5);
  WriteAce(PathOf("holds.ace"), {{"inner.zip", zip, false, AceMethod::Stored}});
  EXPECT_EQ(Detect(PathOf("holds4.rar")), "rar");
  EXPECT_EQ(Detect(PathOf("holds5.rar")), "rar");
  EXPECT_EQ(Detect(PathOf("holds.ace")), "ace");

  ExtractOne(PathOf("holds4.rar"));
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"inner.zip"});
  EXPECT_EQ(ReadFileText(Out("inner.zip")), zip);
}

// Each encrypted entry is asked for; a wrong answer is asked again saying why, and an
// entry left out for its password is said so, not called a damaged archive.
TEST_F(ZipJobTest, PasswordsAreAskedForAndARefusedOneIsSaid) {
  const std::string first = "The file secret.txt in " + PathOf("s.zip") +
                            " is encrypted with a password. Please enter the password to extract.";
  const std::string again = "The password you entered was incorrect. " + first;
  const struct {
    const char* label;
    std::vector<std::string> answers;
    std::vector<std::string> prompts;
    bool extracted;
  } kCases[] = {
      {"right", {"pw"}, {first}, true},
      {"wrong, then right", {"wrong", "pw"}, {first, again}, true},
      {"none", {""}, {first}, false},
      {"wrong three times", {"wrong", "nope", "guess"}, {first, again, again}, false},
  };
  for (const bool aes : {false, true}) {
    ZipTestEntry secret("secret.txt", "secret text", true, "pw");
    secret.aes = aes;
    WriteZipRefusing(PathOf("s.zip"), {secret, {"plain.txt", "plain"}},
                     {"", "wrong", "nope", "guess"});
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(aes ? "AES, " : "traditional, ") + c.label);
      StartCase();
      dialogs.inputs.clear();
      dialogs.inputAnswers.assign(c.answers.begin(), c.answers.end());
      ExtractOne(PathOf("s.zip"));
      std::vector<std::string> prompts;
      for (const RecordedInput& input : dialogs.inputs) {
        prompts.push_back(input.prompt);
        EXPECT_EQ(input.title, "Enter Password");
        EXPECT_EQ(input.defaultText, "");
        EXPECT_EQ(input.echo, InputEcho::Secret);
      }
      EXPECT_EQ(prompts, c.prompts);
      EXPECT_EQ(ReadFileText(Out("plain.txt")), "plain");
      if (c.extracted) {
        EXPECT_EQ(ReadFileText(Out("secret.txt")), "secret text");
        EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
        EXPECT_EQ(session.status.archiveLabel, kFinished);
      } else {
        EXPECT_FALSE(fs::exists(Out("secret.txt")));
        ExpectOnlyMessage(kWrongPassword);
      }
    }
  }
}

// The archive whose every entry refused the password is said so instead of asking
// whether to go on; the next archive is extracted.
TEST_F(ZipJobTest, ARefusedPasswordInAnEarlierArchiveLetsTheJobGoOn) {
  WriteZipRefusing(PathOf("a.zip"), {{"a.txt", "secret a", false, "pw"}},
                   {"wrong", "nope", "guess"});
  WriteZip(PathOf("b.zip"), {{"b.txt", "b"}});
  dialogs.inputAnswers = {"wrong", "nope", "guess"};
  Select({PathOf("a.zip"), PathOf("b.zip")});
  Extract();
  ExpectOnlyMessage(kWrongPassword);
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"b.txt"});
}

// Whatever word the library has for an entry's method, the entry reads "Extracting file:".
TEST_F(ZipJobTest, EveryMethodShowsTheExtractingFileLine) {
  WriteFileText(PathOf("b.txt"), std::string(500, 'b'));
  ASSERT_EQ(RunTool({"zip", "-Z", "bzip2", "bzip2.zip", "b.txt"}, Root()), 0);
  Select({PathOf("bzip2.zip"), std::string(TESSALY_CORPUS_DIR) + "/zip/zip2-implode.zip"});
  Extract();
  EXPECT_EQ(recorder.MessageLines(),
            (std::vector<std::string>{"Extracting file: " + Out("b.txt") + "  ",
                                      "Extracting file: " + Out("first.txt") + "  "}));
}

class ZipErrorTest : public ZipJobTest {
 protected:
  ZipErrorTest() {
    // a2 also holds a folder entry: counted for the bar, never shown as a file line.
    WriteZip(PathOf("a1.zip"), {{"a1.txt", "contents of a1"}});
    WriteZip(PathOf("a2.zip"), {{"d/", ""}, {"a2.txt", "contents of a2"}});
    WriteZip(PathOf("a3.zip"), {{"a3.txt", "contents of a3"}});
  }
  void Damage(const std::string& name) {
    DamageBytes(PathOf(name + ".zip"), "contents of " + name);
  }
  void SelectAll() { Select({PathOf("a1.zip"), PathOf("a2.zip"), PathOf("a3.zip")}); }
  std::string ContinueQuestion(const std::string& archive) const {
    return "There was an error in " + PathOf(archive) +
           "\nError #: 2\nWould you like to continue processing the remaining archives?";
  }
};

// Yes goes on with the next archive, No stops the job.
TEST_F(ZipErrorTest, AnErrorBeforeTheLastArchiveAsksWhetherToGoOn) {
  Damage("a2");
  for (const MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
    const bool goOn = answer == MsgAnswer::Yes;
    SCOPED_TRACE(goOn ? "Yes" : "No");
    StartCase();
    SelectAll();
    dialogs.messageAnswers = {answer};
    Extract();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const RecordedMessage& m = dialogs.messages[0];
    EXPECT_EQ(m.text, ContinueQuestion("a2.zip"));
    EXPECT_EQ(m.buttons, MsgButtons::YesNo);
    EXPECT_EQ(m.icon, MsgIcon::None);
    EXPECT_EQ(m.title, "Error");
    EXPECT_EQ(ReadFileText(Out("a1.txt")), "contents of a1");
    EXPECT_EQ(fs::exists(Out("a3.txt")), goOn);
    EXPECT_EQ(session.job.cancelExtract, !goOn);
    ExpectDidNotFinish();
  }
}

}  // namespace
}  // namespace tessaly::testing
