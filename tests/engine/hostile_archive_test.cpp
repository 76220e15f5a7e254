// The in-process backends on archives the writers make, one test per case with a row
// per format: what is shown while extracting, the overwrite questions, failures and
// their messages, and hostile archives. Nothing outside the destination is written or
// removed, an old file survives a failed replacement, and a job with a failure never
// ends "finished".
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/entry_messages.h"
#include "engine/entry_target.h"
#include "platform/folder_listing.h"
#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/file_size_limit.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

enum class Format { Rar4, Rar5, Ace, Zip, Tar };

std::string FormatName(const ::testing::TestParamInfo<Format>& info) {
  const char* names[] = {"Rar4", "Rar5", "Ace", "Zip", "Tar"};
  return names[static_cast<int>(info.param)];
}

struct HostileEntry {
  std::string name;
  std::string data;
  bool encrypted = false;
  bool wrongCrc = false;
  bool folder = false;
};

HostileEntry Folder(const std::string& name) {
  return {name, "", false, false, true};
}

class HostileArchiveTest : public DestinationJobTest, public ::testing::WithParamInterface<Format> {
 protected:
  std::string Type() const {
    const char* types[] = {"rar", "rar", "ace", "zip", "tar"};
    return types[static_cast<int>(GetParam())];
  }
  std::string ArchivePath(const std::string& name = "hostile") const {
    return PathOf(name + "." + Type());
  }
  void SetAutoOverwrite(const std::string& value) const {
    SetSetting((GetParam() == Format::Tar ? "libarchive" : Type()) + " options", "auto overwrite",
               value);
  }

  // The archive of entries, encrypted ones with the password "pw".
  std::string Write(const std::vector<HostileEntry>& entries,
                    const std::string& name = "hostile") const {
    const std::string path = ArchivePath(name);
    if (GetParam() == Format::Ace) {
      std::vector<AceTestEntry> aceEntries;
      for (const HostileEntry& entry : entries) {
        // Encrypted entries are packed, so that decryption feeds the decoder.
        aceEntries.push_back({entry.name, entry.data, entry.folder,
                              entry.encrypted ? AceMethod::Lz77 : AceMethod::Stored,
                              entry.encrypted});
      }
      AceOptions options;
      options.password = "pw";
      WriteAce(path, aceEntries, options);
      for (const HostileEntry& entry : entries) {
        if (entry.wrongCrc) Damage(path, entry.data);
      }
      return path;
    }
    if (GetParam() == Format::Zip) {
      std::vector<ZipTestEntry> zipEntries;
      for (const HostileEntry& entry : entries) zipEntries.emplace_back(entry.name, entry.data);
      WriteZip(path, zipEntries);
      return path;
    }
    if (GetParam() == Format::Tar) {
      std::vector<std::string> argv = {
          "python3", "-c",
          "import io, sys, tarfile\n"
          "with tarfile.open(sys.argv[1], 'w', format=tarfile.PAX_FORMAT) as tar:\n"
          "    for name, data in zip(sys.argv[2::2], sys.argv[3::2]):\n"
          "        info = tarfile.TarInfo(name)\n"
          "        info.size = len(data)\n"
          "        tar.addfile(info, io.BytesIO(data.encode()))\n",
          path};
      for (const HostileEntry& entry : entries) argv.insert(argv.end(), {entry.name, entry.data});
      EXPECT_EQ(RunTool(argv, Root()), 0);
      return path;
    }
    std::vector<RarTestEntry> rarEntries;
    for (const HostileEntry& entry : entries) {
      RarTestEntry rarEntry{entry.name, entry.data, entry.folder, entry.encrypted};
      rarEntry.wrongCrc = entry.wrongCrc;
      rarEntries.push_back(rarEntry);
    }
    RarOptions options;
    options.format = GetParam() == Format::Rar4 ? RarFormat::Rar4 : RarFormat::Rar5;
    options.password = "pw";
    WriteRar(path, rarEntries, options);
    return path;
  }

  // Flips the first byte of the stored data, so that only its CRC is wrong.
  static void Damage(const std::string& path, const std::string& data) {
    std::string bytes = ReadFileText(path);
    const size_t at = bytes.find(data);
    ASSERT_NE(at, std::string::npos);
    bytes[at] ^= 0x20;
    WriteFileText(path, bytes);
  }

  // Everything in the test's folder but the destination, the archive, and the
  // program's own settings and temporary files.
  std::vector<std::string> Outside() const {
    std::vector<std::string> tree;
    for (const std::string& path : TreeOf(Root())) {
      const bool own = path.starts_with("out/") || path.starts_with("config/") ||
                       path.starts_with("tmp/") ||
                       path == fs::path(ArchivePath()).filename().string();
      if (!own) {
        tree.push_back(path +
                       (fs::is_regular_file(PathOf(path)) ? "=" + ReadFileText(PathOf(path)) : ""));
      }
    }
    return tree;
  }

  std::string CrcError() const {
    return "Tessaly encountered a CRC error while processing \"" + ArchivePath() +
           "\". Operation aborted.";
  }
};

TEST_P(HostileArchiveTest, AFailedReplacementLeavesTheOldFileAndNothingElse) {
  SetAutoOverwrite("1");
  WriteFileText(Out("a.txt"), "old");
  Write({{"a.txt", "new data that fails", false, true}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(ReadFileText(Out("a.txt")), "old");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{CrcError()});
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

// After a password was asked (in a box that hides what is typed), a failing entry once
// made the backend delete the path its raw name gave, outside the destination.
TEST_P(HostileArchiveTest, AFailingEntryAfterAPasswordRemovesNothingOutside) {
  WriteFileText(PathOf("victim.txt"), "precious");
  Write({{"a.txt", "secret", true}, {"../victim.txt", "fails its check", false, true}});
  dialogs.inputAnswers = {"pw"};
  ExtractOne(ArchivePath());
  ASSERT_EQ(dialogs.inputs.size(), 1u);
  EXPECT_EQ(dialogs.inputs[0].echo, InputEcho::Secret);
  EXPECT_EQ(ReadFileText(PathOf("victim.txt")), "precious");
  EXPECT_EQ(ReadFileText(Out("a.txt")), "secret");
  EXPECT_FALSE(fs::exists(Out("victim.txt")));
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

TEST_P(HostileArchiveTest, ControlCharactersInNamesBecomeUnderscoresOnDiskAndOnScreen) {
  Write({{"bell\a\x1b[1m\n.txt", "x"}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"bell__[1m_.txt"});
  EXPECT_EQ(recorder.MessageLines(), std::vector<std::string>{"Extracting file: bell__[1m_.txt"});
}

TEST_P(HostileArchiveTest, ExtractsFoldersAndFilesShowingEachEntryAndTheArchive) {
  Write({Folder("docs"), {"docs/a.txt", "alpha"}, {"b.txt", "beta"}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"b.txt", "docs/", "docs/a.txt"}));
  EXPECT_EQ(ReadFileText(Out("docs/a.txt")), "alpha");
  EXPECT_EQ(recorder.MessageLines(),
            (std::vector<std::string>{"Extracting file: docs", "Extracting file: docs/a.txt",
                                      "Extracting file: b.txt"}));
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + ArchivePath()));
  EXPECT_EQ(session.status.progressMax, 3 + 9) << "a step per entry and per byte";
  EXPECT_EQ(session.status.progressValue, 3 + 9) << "the bar ends full";
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// No and a prompt closed unanswered keep the file; Cancel keeps it and stops the
// archive without a message.
TEST_P(HostileArchiveTest, NoOrNoAnswerKeepsTheFileAndCancelStopsTheArchive) {
  SetAutoOverwrite("0");
  Write({{"no.txt", "new"}, {"closed.txt", "new"}, {"stop.txt", "new"}, {"never.txt", "new"}});
  for (const char* name : {"no.txt", "closed.txt", "stop.txt"}) WriteFileText(Out(name), "old");
  dialogs.fileExistsAnswers = {"No", "", "Cancel"};
  ExtractOne(ArchivePath());
  EXPECT_EQ(dialogs.fileExistsQuestions.size(), 3u);
  for (const char* name : {"no.txt", "closed.txt", "stop.txt"}) {
    EXPECT_EQ(ReadFileText(Out(name)), "old") << name;
  }
  EXPECT_FALSE(fs::exists(Out("never.txt")));
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

// Every archive of the job is handed over: "All" answers the later ones too, but not the next
// job's, and a failure in the middle one is reported while the others are extracted.
TEST_P(HostileArchiveTest, AJobGoesOnAfterAFailedArchiveAndAllAnswersTheLaterOnes) {
  SetAutoOverwrite("0");
  Write({{"x.txt", "new x"}, {"z.txt", "new z"}}, "a");
  Write({{"b.txt", "b", true}}, "b");
  Write({{"y.txt", "new y"}}, "c");
  for (const char* name : {"x.txt", "y.txt", "z.txt"}) WriteFileText(Out(name), "old");
  dialogs.fileExistsAnswers = {"All"};
  dialogs.inputAnswers = {"wrong"};
  Select({ArchivePath("a"), ArchivePath("b"), ArchivePath("c")});
  Extract();
  EXPECT_EQ(dialogs.fileExistsQuestions, std::vector<std::string>{ExistsQuestion("x.txt")});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{kWrongPassword});
  for (const char* name : {"x.txt", "y.txt", "z.txt"}) {
    EXPECT_EQ(ReadFileText(Out(name)), std::string("new ") + name[0]);
  }
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"x.txt", "y.txt", "z.txt"}));
  EXPECT_EQ(session.status.archiveLabel, kNotFinished) << "one failed archive is enough";

  // The next job asks again.
  Select({ArchivePath("c")});
  dialogs.fileExistsAnswers = {"No"};
  Extract();
  EXPECT_EQ(dialogs.fileExistsQuestions.size(), 2u);
  EXPECT_EQ(dialogs.fileExistsQuestions.back(), ExistsQuestion("y.txt"));
}

TEST_P(HostileArchiveTest, AMissingOrWrongPasswordIsSaidAndLeavesNoFile) {
  Write({{"secret.txt", std::string(5000, 's'), true}});
  const struct {
    std::string answer;
    std::string message;
  } kCases[] = {{"", "No password supplied. Aborting."}, {"wrong", kWrongPassword}};
  for (const auto& c : kCases) {
    SCOPED_TRACE("answer \"" + c.answer + "\"");
    dialogs.messages.clear();
    dialogs.inputAnswers = {c.answer};
    ExtractOne(ArchivePath());
    ExpectOnlyMessage(c.message);
    EXPECT_EQ(TreeOf(out_), std::vector<std::string>{});
  }
}

// Whatever was extracted before the gap stays.
TEST_P(HostileArchiveTest, AMissingVolumeStopsWithItsMessageKeepingWhatWasExtracted) {
  const std::string first(50, 'f');
  const std::string big(300, 'b');
  RarOptions options;
  options.format = GetParam() == Format::Rar5 ? RarFormat::Rar5 : RarFormat::Rar4;
  const std::vector<std::string> volumes =
      GetParam() == Format::Ace
          ? WriteAceVolumes(PathOf("set"), 100,
                            {{"first.txt", first, false, AceMethod::Stored},
                             {"big.txt", big, false, AceMethod::Stored}})
          : WriteRarVolumes(PathOf("set"), RarVolumeNaming::PartN, 100,
                            {{"first.txt", first}, {"big.txt", big}}, options);
  ASSERT_GE(volumes.size(), 3u);
  fs::remove(volumes.back());
  ExtractOne(volumes[0]);
  ExpectOnlyMessage(
      "Tessaly could not complete the extract operation because this " +
      std::string(GetParam() == Format::Ace ? "ACE" : "RAR") +
      " set is missing one or more of its volumes. If this archive set is located on seperate "
      "floppy disks, please copy all of the volumes to a single folder on your harddrive and "
      "extract them from there, as Tessaly does not presently support archive sets which "
      "contain volumes which are not located in the same folder.");
  EXPECT_EQ(ReadFileText(Out("first.txt")), first);
}

// The archive starts again after the password: every file before the encrypted entry
// is asked about again, those this job wrote too; the folder never.
TEST_P(HostileArchiveTest, AnEncryptedEntryStartsTheArchiveAgainAskingAboutEachFile) {
  SetAutoOverwrite("0");
  WriteFileText(Out("two.txt"), "old");
  Write({Folder("dir"), {"one.txt", "1"}, {"two.txt", "2"}, {"three.txt", "3", true}});
  dialogs.inputAnswers = {"pw"};
  // Before the password two.txt is kept; started again, it is replaced.
  dialogs.fileExistsAnswers = {"No", "No", "Yes"};
  ExtractOne(ArchivePath());
  ASSERT_EQ(dialogs.inputs.size(), 1u);
  EXPECT_NE(dialogs.inputs[0].prompt.find(" three.txt "), std::string::npos);
  EXPECT_EQ(dialogs.fileExistsQuestions,
            (std::vector<std::string>{ExistsQuestion("two.txt"), ExistsQuestion("one.txt"),
                                      ExistsQuestion("two.txt")}));
  EXPECT_EQ(TreeOf(out_), (std::vector<std::string>{"dir/", "one.txt", "three.txt", "two.txt"}));
  EXPECT_EQ(ReadFileText(Out("two.txt")), "2");
  EXPECT_EQ(ReadFileText(Out("three.txt")), "3");
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

INSTANTIATE_TEST_SUITE_P(EveryInProcessFormat, HostileArchiveTest,
                         ::testing::Values(Format::Rar4, Format::Rar5, Format::Ace), FormatName);

// What only RAR archives can carry: modes, links, and methods the library lacks.
class HostileRarTest : public DestinationJobTest, public ::testing::WithParamInterface<RarFormat> {
 protected:
  std::string Write(const std::vector<RarTestEntry>& entries) const {
    RarOptions options;
    options.format = GetParam();
    const std::string path = PathOf("hostile.rar");
    WriteRar(path, entries, options);
    return path;
  }
  static RarTestEntry Link(const std::string& name, const std::string& target) {
    RarTestEntry link{name, ""};
    link.linkTarget = target;
    return link;
  }
};

TEST_P(HostileRarTest, ModesLoseSetIdAndStickyBitsAndFollowTheUmask) {
  RarTestEntry program{"program", "#!/bin/sh\n"};
  program.mode = 0106755;
  ExtractOne(Write({program}));
  struct stat info {};
  ASSERT_EQ(stat(Out("program").c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 07777, 0755 & ~mask);
}

TEST_P(HostileRarTest, AnUnsafeLinkIsSkippedWithItsOwnMessageAndTheRestIsExtracted) {
  ExtractOne(Write({Link("links/bad_link", "../../outside"),
                    RarFolder("dir"),
                    {"dir/f.txt", "f"},
                    Link("dir/good_link", "f.txt")}));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Out("links/bad_link"))));
  EXPECT_EQ(ReadFileText(Out("dir/f.txt")), "f");
  EXPECT_EQ(fs::read_symlink(Out("dir/good_link")), "f.txt");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                "Tessaly did not create the link \"links/bad_link\": its target "
                                "lies outside the destination folder."});
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

TEST_P(HostileRarTest, EntriesTheLibraryCannotDecodeAreNamedAndTheRestIsExtracted) {
  std::vector<RarTestEntry> entries;
  if (GetParam() == RarFormat::Rar4) {
    RarTestEntry unknownVersion{"version99.bin", "data"};
    unknownVersion.rar4Version = 99;
    unknownVersion.rar4Method = 0x33;
    entries.push_back(unknownVersion);
  } else {
    RarTestEntry unknownMethod{"method6.bin", "data"};
    unknownMethod.rar5Compression = 6 << 7;
    // Version 1, method 1, solid, a window of 128 KiB << 31.
    RarTestEntry hugeWindow{"window.bin", "data"};
    hugeWindow.rar5Compression = 0x01 | 0x40 | (1 << 7) | (31 << 10);
    entries = {unknownMethod, hugeWindow};
  }
  std::vector<std::string> expected;
  for (const RarTestEntry& entry : entries) {
    expected.push_back("Tessaly could not extract \"" + entry.name +
                       "\": it is packed with a method or dictionary size this version does "
                       "not support.");
  }
  entries.push_back({"after.txt", "a"});
  ExtractOne(Write(entries));
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"after.txt"});
  EXPECT_EQ(MessageTexts(), expected);
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, HostileRarTest,
                         ::testing::Values(RarFormat::Rar4, RarFormat::Rar5), [](const auto& info) {
                           return info.param == RarFormat::Rar4 ? std::string("Rar4")
                                                                : std::string("Rar5");
                         });

// One rule for names in every format, each through its own library and backend: a leading "/" is
// dropped, ".." that stays inside is followed, a name that climbs out is refused, a link already in
// the destination leading out is never written through, and an entry that cannot be written costs
// only itself, the system's reason said. Whether the setting asks or replaces, a file outside is
// never asked about.
class EveryFormatTest : public HostileArchiveTest {};

TEST_P(EveryFormatTest, ABadNameOrEntryCostsOnlyItself) {
  const std::string longName(300, 'n');
  const std::string archive = Write({{"/abs.txt", "abs"},
                                     {"../victim.txt", "evil 1"},
                                     {"a/../../victim.txt", "evil 2"},
                                     {"a/../in.txt", "in"},
                                     {"d", "a file"},
                                     {"d/x.txt", "below a file"},
                                     {longName, "long"},
                                     {"pre/keep.txt", "evil"},
                                     {"pre/new.txt", "evil"},
                                     {"after.txt", "after"}});
  WriteFileText(PathOf("victim.txt"), "precious");
  WriteFileText(PathOf("outside/keep.txt"), "precious");
  const std::vector<std::string> before = Outside();
  for (const std::string setting : {"0", "1"}) {
    SCOPED_TRACE("auto overwrite " + setting);
    SetAutoOverwrite(setting);
    fs::remove_all(out_);
    fs::create_directory(out_);
    fs::create_directory_symlink("../outside", Out("pre"));
    dialogs.messages.clear();
    ExtractOne(archive);
    EXPECT_EQ(Outside(), before);
    EXPECT_EQ(TreeOf(out_),
              (std::vector<std::string>{"abs.txt", "after.txt", "d", "in.txt", "pre"}));
    EXPECT_EQ(ReadFileText(Out("in.txt")), "in");
    EXPECT_TRUE(dialogs.fileExistsQuestions.empty());
    EXPECT_EQ(
        MessageTexts(),
        (std::vector<std::string>{
            OutsideDestinationText("../victim.txt"), OutsideDestinationText("a/../../victim.txt"),
            WriteFailedText("d/x.txt", "Not a directory"),
            WriteFailedText(longName, "File name too long"), OutsideDestinationText("pre/keep.txt"),
            OutsideDestinationText("pre/new.txt")}));
    EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  }
}

// A file size limit stands in for a full disk: the old file stays.
TEST_P(EveryFormatTest, AFullDiskIsReportedAsAWriteErrorAndKeepsTheOldFile) {
  // Within what one argument of the tar writer's command may hold.
  Write({{"big.bin", std::string(100000, 'b')}});
  WriteFileText(Out("big.bin"), "old");
  SetAutoOverwrite("1");
  {
    ScopedFileSizeLimit limit(50000);
    ASSERT_TRUE(limit.active());
    ExtractOne(ArchivePath());
  }
  ExpectOnlyMessage("Error writing big.bin. Disk full. Operation aborting.");
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"big.bin"});
  EXPECT_EQ(ReadFileText(Out("big.bin")), "old");
}

// The replace question shows both files' sizes and dates; Cancel leaves the bar where it stopped.
TEST_P(EveryFormatTest, TheReplaceQuestionShowsBothFilesAndCancelStops) {
  Write({{"x.txt", "new x"}});
  WriteFileText(Out("x.txt"), "old");
  ASSERT_TRUE(SetLocalFileTime(Out("x.txt"), 2020, 1, 2, 3, 4, 6));
  dialogs.fileExistsAnswers = {"Yes"};
  ExtractOne(ArchivePath());
  struct stat written {};
  ASSERT_EQ(stat(Out("x.txt").c_str(), &written), 0);
  const std::string entry =
      "File in the archive: 5 bytes, modified " + FormatFileDate(written.st_mtime);
  EXPECT_EQ(dialogs.fileExistsDetails,
            std::vector{"Existing file: 3 bytes, modified 2020-01-02 03:04:06\n" + entry});
  // Cancel ends the job: the next archive of the selection is not read.
  Write({{"y.txt", "new y"}}, "next");
  dialogs.fileExistsAnswers = {"Cancel"};
  Select({ArchivePath(), ArchivePath("next")});
  Extract();
  EXPECT_LT(session.status.progressValue, session.status.progressMax);
  EXPECT_FALSE(fs::exists(Out("y.txt")));
  EXPECT_EQ(dialogs.fileExistsQuestions.size(), 2u);
}

// The bar counts bytes: one large entry moves it while it is written.
TEST_P(EveryFormatTest, TheBarMovesWithinALargeEntry) {
  if (GetParam() == Format::Tar) GTEST_SKIP() << "read by the archive's bytes, not the entries'";
  std::string large(3 << 20, '\0');
  uint32_t seed = 1;
  for (char& c : large) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
  ExtractOne(Write({{"small.txt", "s"}, {"large.bin", large}}));
  const int64_t full = 1 + 1 + static_cast<int64_t>(large.size()) + 1;
  EXPECT_EQ(session.status.progressMax, full);
  EXPECT_EQ(session.status.progressValue, full);
  const auto within = [&](const StatusRecorder::Snapshot& s) {
    return s.messageLabel.find("large.bin") != std::string::npos && s.value > 2 && s.value < full;
  };
  EXPECT_TRUE(std::any_of(recorder.snapshots.begin(), recorder.snapshots.end(), within));
}

// A ZIP cut before its central directory, a RAR with a damaged header: the user is
// asked whether to scan; No keeps the error, Yes extracts what is whole.
TEST_P(EveryFormatTest, ADamagedDirectoryOrHeaderIsScannedWhenTheUserSaysYes) {
  const bool zip = GetParam() == Format::Zip;
  if (!zip && GetParam() != Format::Rar4 && GetParam() != Format::Rar5) GTEST_SKIP();
  SetAutoOverwrite("1");
  std::string bytes =
      ReadFileText(Write({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}}));
  if (zip) bytes.resize(bytes.find("PK\x01\x02"));
  if (!zip) bytes[bytes.find("b.txt")] ^= 0x20;
  WriteFileText(ArchivePath(), bytes);
  const std::string question =
      "The archive \"" + ArchivePath() + "\" is damaged: " +
      (zip ? "the end of its central directory is missing, as if the file had been cut short"
           : "a block header is damaged, or the file ends inside one or before its end block") +
      ". Look for the files it still holds by scanning it?";
  const std::string error = zip ? "An error was encountered while processing \"" + ArchivePath() +
                                      "\". The file is probably corrupted."
                                : CrcError();
  dialogs.messageAnswers = {MsgAnswer::No};
  ExtractOne(ArchivePath());
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{question, error}));
  EXPECT_EQ(TreeOf(out_), zip ? std::vector<std::string>{} : std::vector<std::string>{"a.txt"});

  dialogs.messages.clear();
  dialogs.messageAnswers = {MsgAnswer::Yes};
  ExtractOne(ArchivePath());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{question});
  EXPECT_EQ(TreeOf(out_), (zip ? std::vector<std::string>{"a.txt", "b.txt", "c.txt"}
                               : std::vector<std::string>{"a.txt", "c.txt"}));
  EXPECT_EQ(ReadFileText(Out("c.txt")), "gamma");
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

INSTANTIATE_TEST_SUITE_P(EachBackend, EveryFormatTest,
                         ::testing::Values(Format::Rar4, Format::Rar5, Format::Ace, Format::Zip,
                                           Format::Tar),
                         FormatName);

}  // namespace
}  // namespace tessaly::testing
