// The 7z backend through the driver on archives 7z makes here: the password question
// for encrypted data and headers, split sets, damage named in the messages and in a
// test's summary, a coder the library lacks, 7z and libarchive archives in one job,
// the listing and Set Information. Each coder's output is the library's own tests'.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/archive_test.h"
#include "engine/entry_messages.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/sevenzip/sevenzip_backend.h"
#include "inspect/archive_listings.h"
#include "inspect/set_info.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

using SevenZipBackendTest = DestinationJobTest;

std::string AskedFor(const std::string& name) {
  return "The file " + name +
         " is encrypted with a password. Please enter the password below to "
         "extract.";
}

struct PasswordRow {
  const char* name;
  const char* headers;   // 7z's -mhe option
  const char* answer;    // to the password question
  const char* askedFor;  // the name the question gives
  const char* message;   // the one message shown, or none
  int64_t barMax;        // entries and their bytes (100 as it starts: not counted)
};

const PasswordRow kPasswords[] = {
    {"DataRight", "-mhe=off", "secret", "a.txt", nullptr, 2 + 16},
    {"DataWrong", "-mhe=off", "guess", "a.txt", kWrongPasswordText, 2 + 16},
    {"DataNone", "-mhe=off", "", "a.txt", kNoPasswordText, 2 + 16},
    {"HeadersRight", "-mhe=on", "secret", "locked.7z", nullptr, 2 + 16},
    {"HeadersWrong", "-mhe=on", "guess", "locked.7z", kWrongPasswordText, 100},
    {"HeadersNone", "-mhe=on", "", "locked.7z", kNoPasswordText, 100},
};

class SevenZipPasswordTest : public SevenZipBackendTest,
                             public ::testing::WithParamInterface<PasswordRow> {};

// Asked once, naming the entry (or the archive whose names are hidden); a wrong
// password is said as such and leaves nothing behind.
TEST_P(SevenZipPasswordTest, AsksOnceAndSaysWhatWentWrong) {
  const PasswordRow& row = GetParam();
  WriteFileText(PathOf("tree/a.txt"), "secret a");
  WriteFileText(PathOf("tree/b.txt"), "secret b");
  const std::string archive = PathOf("locked.7z");
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-psecret", row.headers, archive, "./tree/*"}, Root()), 0);
  dialogs.inputAnswers = {row.answer};
  ExtractOne(archive);
  ASSERT_EQ(dialogs.inputs.size(), 1u);
  EXPECT_EQ(dialogs.inputs[0].prompt, AskedFor(row.askedFor));
  EXPECT_EQ(session.status.progressMax, row.barMax);
  if (row.message == nullptr) {
    EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
    EXPECT_EQ(ReadFileText(Out("b.txt")), "secret b");
    EXPECT_EQ(session.status.archiveLabel, kFinished);
    return;
  }
  ExpectOnlyMessage(row.message);
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Passwords, SevenZipPasswordTest, ::testing::ValuesIn(kPasswords),
                         [](const auto& info) { return std::string(info.param.name); });

// How often the file at path is opened while run() runs. Closes are watched too: the
// kernel folds an event into an identical one not yet read.
template <typename Run>
int OpensOf(const std::string& path, Run run) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(watch, 0);
  EXPECT_GE(inotify_add_watch(watch, path.c_str(), IN_OPEN | IN_CLOSE), 0);
  run();
  int opens = 0;
  alignas(inotify_event) char events[4096];
  for (ssize_t got; (got = read(watch, events, sizeof events)) > 0;) {
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if ((event->mask & IN_OPEN) != 0) ++opens;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  close(watch);
  return opens;
}

// The entries are counted for the bar on the handle that extracts them: the archive is
// opened once, and with encrypted headers once before the password (which reads no
// header) and once after, so that their key is derived and they are decoded once.
TEST_F(SevenZipBackendTest, OneExtractionOpensTheArchiveOnce) {
  WriteFileText(PathOf("tree/a.txt"), "secret a");
  for (const auto& [headers, opens] : {std::pair{"-mhe=off", 1}, std::pair{"-mhe=on", 2}}) {
    SCOPED_TRACE(headers);
    const std::string archive = PathOf(std::string("x") + headers + ".7z");
    ASSERT_EQ(RunTool({"7z", "a", "-bd", "-psecret", headers, archive, "./tree/a.txt"}, Root()), 0);
    fs::remove_all(out_);
    fs::create_directory(out_);
    dialogs.inputAnswers = {"secret"};
    EXPECT_EQ(OpensOf(archive, [&] { EXPECT_EQ(ExtractSevenZipArchive(session, archive), 0); }),
              opens);
    EXPECT_EQ(ReadFileText(Out("a.txt")), "secret a");
    EXPECT_EQ(session.status.progressMax, 1 + 8);
  }
}

// A data byte changed in a stored archive: the message names the archive, the test's
// summary the entry; the old file stays. A cut archive is damaged.
TEST_F(SevenZipBackendTest, DamageIsNamedAndTheTestNamesTheEntry) {
  WriteFileText(PathOf("tree/a.txt"), "first entry, intact");
  WriteFileText(PathOf("tree/b.txt"), std::string(5000, 'b'));
  const std::string archive = PathOf("d.7z");
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-mx0", archive, "./tree/a.txt", "./tree/b.txt"}, Root()),
            0);
  std::string bytes = ReadFileText(archive);
  bytes[bytes.find("bbbb") + 100] ^= 0x20;
  WriteFileText(archive, bytes);
  WriteFileText(Out("b.txt"), "old");
  SetSetting("7z options", "auto overwrite", "1");
  ExtractOne(archive);
  ExpectOnlyMessage(CrcErrorText("d.7z"));
  EXPECT_EQ(ReadFileText(Out("b.txt")), "old");
  EXPECT_EQ(ReadFileText(Out("a.txt")), "first entry, intact");

  session.job.selectedFiles = {archive};
  session.job.selectedCount = 1;
  const std::vector<ArchiveTestResult> results =
      TestSelectedArchives(session, CallingWindow::MainWindow);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_FALSE(results[0].intact);
  EXPECT_EQ(results[0].damagedEntries, std::vector<std::string>{"b.txt"});

  // Cut short, its headers are lost: the archive is damaged, not "not an archive".
  WriteFileText(archive, bytes.substr(0, bytes.size() - 100));
  dialogs.messages.clear();
  ExtractOne(archive);
  ExpectOnlyMessage(DamagedArchiveText(archive));
}

// A split set extracts whole from its first volume; without its last volume it says so.
TEST_F(SevenZipBackendTest, SplitSetAndItsMissingVolume) {
  WriteSampleTree(PathOf("tree"));
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-mx0", "-v40k", "x.7z", "./tree/*"}, Root()), 0);
  ASSERT_TRUE(fs::exists(PathOf("x.7z.003")));
  ExtractOne(PathOf("x.7z.001"));
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(DescribeTree(out_), DescribeTree(PathOf("tree")));

  fs::remove_all(out_);
  fs::create_directory(out_);
  int last = 3;
  while (fs::exists(PathOf("x.7z.00" + std::to_string(last + 1)))) ++last;
  fs::remove(PathOf("x.7z.00" + std::to_string(last)));
  ExtractOne(PathOf("x.7z.001"));
  ExpectOnlyMessage(kSevenZipMissingVolume);
}

struct SevenZipMessageRow {
  const char* name;
  void (*write)(const std::string& root);  // x.7z of the tree in "tree"
  std::string (*message)();
};

const SevenZipMessageRow kSevenZipMessages[] = {
    {"CoderTheLibraryLacks",
     [](const std::string& root) {
       // The stored a.txt behind a filter whose coder record is made zstd's.
       ASSERT_EQ(RunTool({"7z", "a", "-bd", "-mhc=off", "-mf=BCJ", "x.7z", "./tree/a.txt"}, root),
                 0);
       const std::string archive = ReadFileText(root + "/x.7z");
       const std::string zstd = WithSevenZipCoder(archive, {'\x04', '\x03', '\x03', '\x01', '\x03'},
                                                  {'\x04', '\x04', '\xF7', '\x11', '\x01'});
       ASSERT_NE(zstd, archive);
       WriteFileText(root + "/x.7z", zstd);
     },
     [] { return UnsupportedMethodText("a.txt"); }},
    {"LinkOutOfTheDestination",
     [](const std::string& root) {
       fs::create_symlink("../../outside", root + "/tree/up");
       ASSERT_EQ(RunTool({"7z", "a", "-bd", "-snl", "x.7z", "./tree/up", "./tree/a.txt"}, root), 0);
     },
     [] { return LinkOutsideDestinationText("up"); }},
};

class SevenZipMessageTest : public SevenZipBackendTest,
                            public ::testing::WithParamInterface<SevenZipMessageRow> {};

// The entry is left out with its message; the rest comes out, and the job does not finish.
TEST_P(SevenZipMessageTest, NamesTheEntryAndExtractsTheRest) {
  WriteFileText(PathOf("tree/a.txt"), "alpha\n");
  GetParam().write(Root());
  ExtractOne(PathOf("x.7z"));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{GetParam().message()});
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Out("up"))));
}

INSTANTIATE_TEST_SUITE_P(Messages, SevenZipMessageTest, ::testing::ValuesIn(kSevenZipMessages),
                         [](const auto& info) { return std::string(info.param.name); });

// 7z and libarchive archives selected together are one job, each through its backend.
TEST_F(SevenZipBackendTest, SevenZipAndTarTogetherAreOneJob) {
  WriteFileText(PathOf("tree/a.txt"), "from 7z");
  WriteFileText(PathOf("tree2/b.txt"), "from tar");
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-mhe=on", "-psecret", "x.7z", "./tree/a.txt"}, Root()), 0);
  ASSERT_EQ(RunTool({"bsdtar", "-czf", "y.tar.gz", "-C", "tree2", "b.txt"}, Root()), 0);
  dialogs.inputAnswers = {"secret"};
  Select({PathOf("y.tar.gz"), PathOf("x.7z")});
  Extract();
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(ReadFileText(Out("a.txt")), "from 7z");
  EXPECT_EQ(ReadFileText(Out("b.txt")), "from tar");
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// The contents window's rows in the archive's order, a folder by its name, with dates,
// sizes (a link's is its target's length, as 7z lists it) and paths; Set Information
// counts the split set's volumes.
TEST_F(SevenZipBackendTest, ListingAndSetInfo) {
  WriteSampleTree(PathOf("tree"));
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-v2k", "x.7z", "./tree/a.txt", "./tree/docs"}, Root()), 0);
  ASSERT_TRUE(fs::exists(PathOf("x.7z.003")));
  const std::string archive = PathOf("x.7z.001");
  ASSERT_EQ(ProbeArchiveForContents(session, archive), "7z");
  ASSERT_EQ(ListArchive(session, "7z", archive), ListingResult::Listed);
  std::vector<std::string> rows;
  for (const ContentsRow& row : session.contents.rows) {
    rows.push_back(row.text + "|" + row.storedName + "|" + row.subItems[1] + "|" + row.subItems[2] +
                   "|" + row.iconKey);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "docs|docs/|0||DOS", "deep|docs/deep/|0|docs/|DOS", "a.txt|a.txt|6||txt",
                      "b-again.txt|docs/b-again.txt|5|docs/|txt", "b.txt|docs/b.txt|5|docs/|txt",
                      "big.txt|docs/deep/big.txt|195592|docs/deep/|txt",
                      "to-a|docs/to-a|8|docs/|Others"}));
  EXPECT_EQ(session.contents.totals, "Total Files: 5  Total Uncompressed Size: 195616");
  EXPECT_TRUE(dialogs.messages.empty());

  const SetInfo set = ReadSetInfo(archive, "7z", false, "x.7z.001");
  EXPECT_GE(set.volumeCount, 3);
  EXPECT_EQ(set.volumes.front().name, "x.7z.001");
}

}  // namespace
}  // namespace tessaly::testing
