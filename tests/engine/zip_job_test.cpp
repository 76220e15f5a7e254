// ZIP jobs through the driver and the real library: sub-folders per archive, the File Exists prompt
// and what replaces an existing file, passwords, library errors, hostile archives, extracting
// selected entries, more than 65535 entries, and the listings of the contents window and the
// counting pass. A full disk is the end-to-end tests' part.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/entry_target.h"
#include "engine/zip/zip_backend.h"
#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
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
    EXPECT_EQ(status.progressValue, status.progressMax);
  }
};

// The main window's box lasts; the destination dialog's choice lasts one job.
TEST_F(ZipJobTest, EachArchiveGoesToASubFolderNamedAfterIt) {
  WriteZip(PathOf("x.zip"), {{"one.txt", "1"}});
  WriteZip(PathOf("y.v2.zip"), {{"two.txt", "2"}});
  fs::create_directory(Out("x"));
  WriteFileText(Out("x/kept.txt"), "kept");
  session.mainWindow.perArchiveFolder = true;
  Select({PathOf("x.zip"), PathOf("y.v2.zip")});
  Extract();
  EXPECT_EQ(ReadFileText(Out("x/one.txt")), "1");
  EXPECT_EQ(ReadFileText(Out("x/kept.txt")), "kept") << "an existing sub-folder is reused";
  EXPECT_EQ(ReadFileText(Out("y/two.txt")), "2");
  EXPECT_TRUE(dialogs.messages.empty());

  StartCase();
  session.mainWindow.perArchiveFolder = false;
  session.mainWindow.destinationBox.text = out_ + "/";
  session.job.perArchiveFolder = true;
  ExtractOne(PathOf("x.zip"));
  EXPECT_EQ(ReadFileText(Out("x/one.txt")), "1");
  EXPECT_FALSE(session.job.perArchiveFolder);
  ExtractOne(PathOf("x.zip"));
  EXPECT_EQ(ReadFileText(Out("one.txt")), "1");
}

// Each prompt answers only its own file: No and a prompt closed unanswered keep it,
// and the bar still moves for a kept file.
TEST_F(ZipJobTest, NoOrNoAnswerKeepsTheFileAndStillAdvancesTheBar) {
  WriteZip(PathOf("x.zip"),
           {{"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}, {"d.txt", "new d"}});
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFileText(Out(name), "old");
  Select({PathOf("x.zip")});
  dialogs.fileExistsAnswers = {"No", "Yes", ""};
  Extract();
  EXPECT_EQ(ReadFileText(Out("a.txt")), "old");
  EXPECT_EQ(ReadFileText(Out("b.txt")), "new b");
  EXPECT_EQ(ReadFileText(Out("c.txt")), "old") << "an earlier Yes must not answer for it";
  EXPECT_EQ(ReadFileText(Out("d.txt")), "new d");
  EXPECT_EQ(session.job.progressCount, 4);
  bool sawSkipCounted = false;
  for (const StatusRecorder::Snapshot& s : recorder.snapshots) {
    if (s.value == 1 && s.messageLabel.empty()) sawSkipCounted = true;
  }
  EXPECT_TRUE(sawSkipCounted) << "the bar moved for the skipped file before any file line";
  EXPECT_EQ(recorder.MessageLines(),
            (std::vector<std::string>{"Extracting file: " + Out("b.txt") + "  ",
                                      "Extracting file: " + Out("d.txt") + "  "}));
  EXPECT_EQ(session.job.extractResult, 0);
}

TEST_F(ZipJobTest, CancelAtThePromptFillsTheBarAndStopsBeforeTheNextArchive) {
  WriteZip(PathOf("x.zip"), {{"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}});
  WriteZip(PathOf("y.zip"), {{"z.txt", "z"}});
  WriteFileText(Out("a.txt"), "old a");
  WriteFileText(Out("b.txt"), "old b");
  Select({PathOf("x.zip"), PathOf("y.zip")});
  dialogs.fileExistsAnswers = {"Cancel"};
  Extract();
  EXPECT_EQ(dialogs.fileExistsQuestions.size(), 1u);
  EXPECT_EQ(ReadFileText(Out("a.txt")), "old a");
  EXPECT_EQ(ReadFileText(Out("b.txt")), "old b") << "nothing more is overwritten in this archive";
  EXPECT_EQ(ReadFileText(Out("c.txt")), "new c") << "the rest of the archive is extracted";
  EXPECT_FALSE(fs::exists(Out("z.txt")));
  bool fullAfterCancel = false;
  for (const StatusRecorder::Snapshot& s : recorder.snapshots) {
    if (s.max == 4 && s.value == 4 && s.archiveLabel != kNotFinished) fullAfterCancel = true;
  }
  EXPECT_TRUE(fullAfterCancel);
  EXPECT_FALSE(recorder.SawArchiveLabel("Processing archive: " + PathOf("y.zip")));
  EXPECT_EQ(session.job.extractResult, 1);
  ExpectDidNotFinish();
}

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

// Names as ZIP stores them: DOS backslashes, a drive and code-page control characters.
// The one climbing out is refused; the others land inside, shown and asked about as
// written, control characters as "_".
TEST_F(ZipJobTest, StoredNamesAreCleanedAndShownAsWritten) {
  ZipTestEntry backslashes("a\\..\\..\\x", "backslashes");
  backslashes.fatHost = true;
  ZipTestEntry bell("bell\a/esc\x1b[1m.txt", "new");
  bell.cp437 = true;
  WriteZip(PathOf("names.zip"), {backslashes, {"C:/x", "drive"}, bell});
  const std::string path = Out("bell_/esc_[1m.txt");
  WriteFileText(path, "old");
  dialogs.fileExistsAnswers = {"Yes"};
  ExtractOne(PathOf("names.zip"));
  EXPECT_EQ(dialogs.fileExistsQuestions, std::vector<std::string>{ExistsQuestion(path)});
  EXPECT_EQ(recorder.MessageLines(),
            (std::vector<std::string>{"Extracting file: " + Out("x") + "  ",
                                      "Extracting file: " + path + "  "}));
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"bell_/", "bell_/esc_[1m.txt", "x"}));
  EXPECT_EQ(ReadFileText(Out("x")), "drive");
  EXPECT_EQ(ReadFileText(path), "new");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{OutsideDestinationText("a/../../x")});
  EXPECT_FALSE(fs::exists(WorkDir() + "/C:"));
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
  const std::string first =
      "File is encrypted with a password. Please enter the password to extract.";
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

TEST_F(ZipErrorTest, AnErrorInTheLastArchiveIsReportedAsCritical) {
  Damage("a3");
  SelectAll();
  Extract();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const RecordedMessage& m = dialogs.messages[0];
  EXPECT_EQ(m.text, Corrupted("a3.zip"));
  EXPECT_EQ(m.buttons, MsgButtons::OK);
  EXPECT_EQ(m.icon, MsgIcon::Critical);
  EXPECT_EQ(m.title, "Error");
  EXPECT_EQ(ReadFileText(Out("a2.txt")), "contents of a2");
  ExpectDidNotFinish();
}

TEST_F(ZipErrorTest, ASingleArchiveFailingInTheCountingPassStopsTheJob) {
  // The archive no longer holds the entry the contents window asked for.
  session.job.selectedEntriesMode = true;
  session.job.selectedEntryNames = {"gone.txt"};
  Select({PathOf("a1.zip")});
  Extract();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{Corrupted("a1.zip")});
  EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
  EXPECT_FALSE(recorder.SawArchiveLabel("Processing archive: " + PathOf("a1.zip")));
  EXPECT_FALSE(fs::exists(Out("a1.txt")));
  EXPECT_FALSE(session.job.selectedEntriesMode);
  ExpectDidNotFinish();
}

TEST_F(ZipJobTest, SelectedEntriesAreExtractedByTheirFullPathsWithoutACap) {
  std::vector<ZipTestEntry> entries;
  std::vector<std::string> chosen;
  for (int i = 0; i < 150; ++i) {
    const std::string name = "dir/f" + std::to_string(i) + ".txt";
    entries.push_back({name, "file " + std::to_string(i)});
    if (i < 120) chosen.push_back(name);
  }
  entries.push_back({"odd[1].txt", "odd"});
  entries.push_back({"odd1.txt", "look-alike"});
  chosen.push_back("odd[1].txt");
  WriteZip(PathOf("many.zip"), entries);

  session.job.selectedEntriesMode = true;
  session.job.selectedEntryNames = chosen;
  Select({PathOf("many.zip")});
  Extract();

  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(ReadFileText(Out("dir/f0.txt")), "file 0");
  EXPECT_EQ(ReadFileText(Out("dir/f119.txt")), "file 119");
  EXPECT_FALSE(fs::exists(Out("dir/f120.txt")));
  EXPECT_EQ(ReadFileText(Out("odd[1].txt")), "odd");
  EXPECT_FALSE(fs::exists(Out("odd1.txt")));
  EXPECT_EQ(session.status.progressMax, 121);
  EXPECT_EQ(session.status.progressValue, 121);
  EXPECT_FALSE(session.job.selectedEntriesMode);
}

// Past the 16-bit entry count every entry arrives and the bar counts them all.
using ManyEntriesTest = ZipJobTest;

TEST_F(ManyEntriesTest, SlowMoreThan65535EntriesAllArriveAndFillTheBar) {
  constexpr int kCount = 65536 + 64;
  WriteManyEntriesZip(PathOf("many.zip"), kCount);
  ASSERT_FALSE(HasFailure());
  Select({PathOf("many.zip")});
  Extract();

  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  const StatusModel& status = session.status;
  EXPECT_EQ(status.archiveLabel, kFinished);
  EXPECT_EQ(status.progressMax, kCount);
  EXPECT_EQ(status.progressValue, kCount);
  EXPECT_EQ(session.job.progressCount, kCount);
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + PathOf("many.zip")));
  const std::vector<std::string> lines = recorder.MessageLines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(kCount));
  EXPECT_EQ(lines.front(), "Extracting file: " + Out(ManyEntriesName(0)) + "  ");
  EXPECT_EQ(lines.back(), "Extracting file: " + Out(ManyEntriesName(kCount - 1)) + "  ");

  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(out_)) {
    if (entry.is_regular_file()) ++files;
  }
  EXPECT_EQ(files, static_cast<size_t>(kCount));
  for (const int n : {0, 65535, 65536, kCount - 1}) {
    EXPECT_EQ(ReadFileText(Out(ManyEntriesName(n))), std::to_string(n) + "\n");
  }
}

// List mode: the contents window's rows, and the counting listing that an unchanged archive answers
// from the previous one.
class ZipListingTest : public EngineTest {
 protected:
  // A listing as the contents window, the probe and the counting pass make it.
  void List(const std::string& archive, bool intoContents) {
    session.job.countingPass = true;
    session.zip.extractList = true;
    session.zip.extractDir.clear();
    session.zip.zipFileName = archive;
    session.zip.listIntoContents = intoContents;
    session.zip.listedBytes = 0;
    session.zip.listedEntries = 0;
    session.zip.zipMemberCount = 0;
    session.job.extractResult = 0;
    UnzipArchive(session);
  }
};

TEST_F(ZipListingTest, RowsGoOnTopWithTheirColumns) {
  WriteZip(PathOf("l.zip"), {{"top.txt", "12345"},
                             {"docs/", ""},
                             {"docs/guide.doc", std::string(1000, 'g'), true},
                             {"a/b.txt", "secret", false, "pw"}});
  List(PathOf("l.zip"), true);

  const auto& rows = session.contents.rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].text, "b.txt+");
  EXPECT_EQ(rows[0].storedName, "a/b.txt");
  EXPECT_EQ(rows[0].iconKey, "txt");
  EXPECT_EQ(rows[0].subItems[1], "6");
  EXPECT_EQ(rows[0].subItems[3], "6") << "the encryption header is not counted";
  EXPECT_EQ(rows[0].subItems[4], "a/");

  EXPECT_EQ(rows[1].text, "guide.doc");
  EXPECT_EQ(rows[1].iconKey, "Others");
  EXPECT_EQ(rows[1].subItems[4], "docs/");
  EXPECT_NE(rows[1].subItems[3], "1000") << "deflated";

  EXPECT_EQ(rows[2].text, "");
  EXPECT_EQ(rows[2].subItems[4], "docs/");

  EXPECT_EQ(rows[3].text, "top.txt");
  EXPECT_EQ(rows[3].subItems, (std::array<std::string, 5>{"3/7/2024 9:5", "5", "0%", "5", ""}));

  EXPECT_EQ(session.zip.listedBytes, 5 + 1000 + 6);
  EXPECT_EQ(session.zip.listedEntries, 4);
  EXPECT_EQ(session.zip.zipMemberCount, 4u);
  EXPECT_TRUE(dialogs.inputs.empty()) << "listing asks for no password";
}

TEST_F(ZipListingTest, WithoutTheContentsWindowEntriesAreOnlyCounted) {
  WriteZip(PathOf("l.zip"), {{"x.zip", "inner"}, {"y.cpp", "int"}});
  List(PathOf("l.zip"), false);
  EXPECT_TRUE(session.contents.rows.empty());
  EXPECT_EQ(session.zip.listedEntries, 2);
  EXPECT_EQ(session.zip.listedBytes, 0);

  List(PathOf("l.zip"), true);
  ASSERT_EQ(session.contents.rows.size(), 2u);
  EXPECT_EQ(session.contents.rows[0].iconKey, "cpp");
  EXPECT_EQ(session.contents.rows[1].iconKey, "tessaly");
}

// The same counts again for an unchanged archive; a changed one, other names or a
// listing for the contents window read it again.
TEST_F(ZipListingTest, ACountingListingIsReadAgainWhenAnythingChanged) {
  WriteZip(PathOf("a.zip"), {{"one.txt", "1"}});
  for (int again = 0; again < 2; ++again) {
    List(PathOf("a.zip"), false);
    EXPECT_EQ(session.zip.zipMemberCount, 1u);
    EXPECT_EQ(session.zip.listedEntries, 1);
    EXPECT_EQ(session.job.extractResult, 0);
  }

  // Rewritten in place, same name: the new entries count.
  WriteZip(PathOf("b.zip"), {{"one.txt", "1"}, {"two.txt", "2"}, {"three.txt", "3"}});
  fs::copy_file(PathOf("b.zip"), PathOf("a.zip"), fs::copy_options::overwrite_existing);
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.zip.zipMemberCount, 3u);
  EXPECT_EQ(session.zip.listedEntries, 3);

  // Only the selected names are listed.
  session.zip.includeNames = {"two.txt"};
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.zip.listedEntries, 1);
  session.zip.includeNames.clear();
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.zip.listedEntries, 3);

  List(PathOf("a.zip"), true);
  EXPECT_EQ(session.contents.rows.size(), 3u);

  // A missing archive is an error every time, not a remembered listing.
  fs::remove(PathOf("a.zip"));
  session.job.selectedFiles = {PathOf("a.zip")};
  session.job.probeMode = true;
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.job.extractResult, 1);
}

}  // namespace
}  // namespace tessaly::testing
