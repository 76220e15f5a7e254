// ARJ jobs through the driver with the installed ARJ utility: the probe (the headers rule other
// files out, the utility's listing decides), what the batch file cannot hold, the password box,
// what the Status window says, what comes out, and the scratch files afterwards; the staging
// folder's placement; the header reader's garbled-entry walk and volume names. The corpus tests
// extract the corpus's sets and methods; waiting for the user's window and the utility's questions
// (no "-y") are the ARJ console job tests' part.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>
#include <map>

#include "engine/arj/arj_headers.h"
#include "engine/arj/arj_placement.h"
#include "engine/arj/arj_staging.h"
#include "engine/arj_fixture.h"
#include "engine/selection.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

using ArjJobTest = ArjTest;

// An entry the utility fails on (damaged data, a wrong password) must not cost the
// file already there, and a later archive that succeeds must not hide the failure.
TEST_F(ArjJobTest, AFailedEntryLeavesTheOldFileAndTheJobIsNotFinished) {
  const std::string content(40000, 'd');
  const std::string damaged = MakeArj(PathOf("bad.arj"), {{"data.bin", content}}, {"-m0"});
  std::string bytes = ReadFileText(damaged);
  bytes[bytes.size() / 2] ^= 0x55;
  WriteFileText(damaged, bytes);
  const std::string locked = MakeArj(PathOf("locked.arj"), {{"data.bin", content}}, {"-gright"});
  const std::string sound = MakeArj(PathOf("sound.arj"), {{"ok.txt", "ok"}});
  struct Case {
    std::string archive;
    std::string password;
  };
  for (const Case& c : {Case{damaged, ""}, Case{locked, "wrong"}}) {
    fs::remove_all(PathOf("out"));
    fs::create_directories(PathOf("out"));
    WriteFileText(PathOf("out/data.bin"), "old");
    if (!c.password.empty()) dialogs.inputAnswers = {c.password};
    ExtractInto({c.archive, sound});

    // The utility's complaint stays in its hidden window; its status tells the job.
    EXPECT_EQ(session.status.archiveLabel, kNotFinished) << c.archive;
    EXPECT_EQ(session.job.extractResult, 1);
    EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
    EXPECT_EQ(ReadFileText(PathOf("out/data.bin")), "old");
    EXPECT_EQ(ReadFileText(PathOf("out/ok.txt")), "ok") << "the later archive still ran";
    EXPECT_EQ(TreeOf(PathOf("out")), (std::vector<std::string>{"data.bin", "ok.txt"}));
    EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat"));
  }
}

TEST_F(ArjJobTest, AUtilityThatCannotStartIsReportedAsNotFinished) {
  const std::string archive = MakeArj(PathOf("plain.arj"), {{"p.txt", "p"}});
  host.failFromStart = 2;  // the probe runs, the extraction's batch cannot start
  SetSetting("General", "Close extract window", "0");
  ExtractInto({archive});

  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  EXPECT_EQ(session.job.extractResult, 1);
  EXPECT_TRUE(TreeOf(PathOf("out")).empty());
}

// What the batch file cannot hold, and a garbled archive without a password, end the job after the
// probe, before the utility extracts anything.
TEST_F(ArjJobTest, WhatTheBatchCannotHoldOrNoPasswordEndsTheJobBeforeAnythingRuns) {
  const std::string plain = MakeArj(PathOf("q.arj"), {{"q.txt", "q"}});
  const std::string locked = MakeArj(PathOf("locked.arj"), {{"secret.txt", "secret"}}, {"-gpw"});
  const std::string quoted = PathOf("say \"hi\"");
  const struct {
    std::string archive;
    std::string destination;
    std::string password;
    std::string text;
    MsgIcon icon;
  } kRows[] = {
      {plain, quoted, "",
       "Tessaly cannot hand \"" + quoted +
           "\" to the arj utility: a name that contains a double quotation mark or a line break "
           "cannot be written into the batch file. Please rename it and try again.",
       MsgIcon::Exclamation},
      {locked, PathOf("out"), "", "No password supplied. Aborting.", MsgIcon::Critical},
      {locked, PathOf("out"), "say \"pw\"",
       "Tessaly cannot hand this password to the arj utility: a password that contains a double "
       "quotation mark or a line break cannot be written into the batch file.",
       MsgIcon::Exclamation},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.destination + " " + row.password);
    fs::create_directories(row.destination);
    dialogs.messages.clear();
    host.batches.clear();
    dialogs.inputAnswers = {row.password};
    session.mainWindow.destinationBox.text = row.destination;
    Select({row.archive});
    Extract();

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, row.text);
    EXPECT_EQ(dialogs.messages[0].icon, row.icon);
    EXPECT_EQ(host.batches.size(), 1u) << "only the probe ran";
    EXPECT_EQ(session.status.archiveLabel, kNotFinished);
    EXPECT_EQ(session.job.extractResult, 1);
    EXPECT_TRUE(TreeOf(row.destination).empty());
    EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat"));
  }
}

// The utility is the stored location, else "arj" on PATH, looked up for every job and
// never stored; a stored location that cannot run refuses the archive as unsupported.
TEST_F(ArjJobTest, TheUtilityIsTheStoredOneElseTheOneOnPath) {
  const std::string archive = MakeArj(PathOf("plain.arj"), {{"p.txt", "p"}});
  const std::string unsupported =
      NotSupportedStart(archive) +
      " If this file is part of an Ace, Rar, or Arj set, you must select the first file in the "
      "set (i.e. \"MyFile.rar\") to process the set.";
  const std::string missing =
      "You have not specified the location of \"arj\". Choose \"Options\" from the Edit menu "
      "to do this. Tessaly cannot extract \"arj\" archives until you do.";
  WriteFileText(PathOf("arj-notes.txt"), "not a program");
  fs::create_directories(PathOf("bin"));
  const ScopedEnv path("PATH", PathOf("bin") + ":" + PathOf("empty"));
  const struct {
    std::string location;
    std::string message;  // "" extracts
    size_t starts;
  } kRows[] = {
      {"", missing, 0},
      {"", "", 2},  // arj was put on PATH after the last job
      {PathOf("missing/arj"), unsupported, 0},
      {WorkDir(), unsupported, 0},
      {PathOf("arj-notes.txt"), unsupported, 1},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.location);
    SetSetting("Utility Locations", "arj", row.location);
    fs::remove_all(PathOf("out"));
    dialogs.messages.clear();
    host.batches.clear();
    dialogs.statusShown = 0;
    ExtractInto({archive});
    const bool extracted = row.message.empty();
    EXPECT_EQ(MessageTexts(), extracted ? std::vector<std::string>{} : std::vector{row.message});
    EXPECT_EQ(host.batches.size(), row.starts);
    EXPECT_EQ(GetSetting("Utility Locations", "arj"), row.location) << "nothing stored";
    EXPECT_EQ(dialogs.statusShown, extracted ? 1 : 0);
    EXPECT_EQ(TreeOf(PathOf("out")),
              extracted ? std::vector<std::string>{"p.txt"} : std::vector<std::string>{});
    if (extracted && !host.batches.empty()) {
      EXPECT_NE(host.batches.back().find(PathOf("bin/arj") + "\" x "), std::string::npos);
    }
    if (!fs::exists(PathOf("bin/arj"))) fs::create_symlink(kArj, PathOf("bin/arj"));
  }
}

class ArjProbeTest : public ArjTest {
 protected:
  void SetUp() override {
    ArjTest::SetUp();
    LoadSettings(session.settings, dialogs);
  }
};

TEST_F(ArjProbeTest, SelfExtractingArchivesAreArjAndOtherFilesAreNot) {
  const std::string sfx = MakeArj(PathOf("setup.exe"), {{"read.me", "r"}}, {"-je"});
  EXPECT_EQ(Detect(sfx), "arj");
  EXPECT_TRUE(session.job.probeIsExe);

  WriteFileText(PathOf("fake.arj"), "this is not an archive at all");
  EXPECT_EQ(Detect(PathOf("fake.arj")), "");
  EXPECT_EQ(Detect("/bin/true"), "") << "a program is not an archive";
  // Nor is a path the batch file cannot quote probed.
  EXPECT_EQ(Detect(MakeArj(PathOf("say \"arj\".arj"), {{"s.txt", "s"}})), "");
  EXPECT_EQ(host.batches.size(), 1u) << "the utility starts for no file without ARJ headers";
}

TEST_F(ArjProbeTest, AnOldBatchOrListingNeverAnswersForThisProbe) {
  const std::string scratch = session.settings.tempFolder;
  const std::string archive = MakeArj(PathOf("good.arj"), {{"g.txt", "g"}});
  const std::string marker = PathOf("stale batch ran");
  WriteFileText(scratch + "Tessaly.bat", Batch({"\"/usr/bin/touch\" \"" + marker + "\""}));
  EXPECT_EQ(Detect(PathOf("good.arj")), "arj");
  EXPECT_FALSE(fs::exists(marker));

  // The runner cannot start: the good listing of before must not make this file ARJ.
  MakeArj(PathOf("plain.arj"), {{"p.txt", "p"}});
  session.programs.batchRunner = PathOf("no-runner");
  EXPECT_EQ(Detect(PathOf("plain.arj")), "");
  EXPECT_FALSE(fs::exists(scratch + "Tessaly.bat"));
}

const fs::path kArjCorpus = fs::path(TESSALY_CORPUS_DIR) / "arj";

using ArjHeadersTest = ArjTest;

TEST_F(ArjHeadersTest, TheCorpusGarbledArchivesAndNoOthers) {
  for (const char* name :
       {"Arj.encrypted.arj", "p.arj", "ARJM1.ARJ", "Arj.store.split.arj", "wrongcrc32.arj"}) {
    ASSERT_TRUE(fs::is_regular_file(kArjCorpus / name))
        << "no corpus archive at " << kArjCorpus / name;
  }
  for (const char* name : {"Arj.encrypted.arj", "p.arj"}) {
    EXPECT_TRUE(ArjArchiveHasGarbledEntry((kArjCorpus / name).string())) << name;
  }
  for (const char* name : {"ARJM1.ARJ", "Arj.store.split.arj", "wrongcrc32.arj"}) {
    EXPECT_FALSE(ArjArchiveHasGarbledEntry((kArjCorpus / name).string())) << name;
  }
}

TEST_F(ArjHeadersTest, DamageEndsTheWalkWithoutAFinding) {
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("absent.arj")));
  std::string signatures;
  for (int i = 0; i < 20000; ++i) signatures += std::string("\x60\xea\x1e\x00", 4);
  WriteFileText(PathOf("signatures.arj"), signatures);
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("signatures.arj")));

  const std::string locked = MakeArj(PathOf("locked.arj"), {{"a.txt", "a"}}, {"-gpw"});
  const std::string bytes = ReadFileText(locked);
  // The main header: id, size, the header, its CRC and the empty extended header.
  const size_t mainEnd =
      4 + (static_cast<unsigned char>(bytes[2]) | static_cast<unsigned char>(bytes[3]) << 8) + 4 +
      2;
  WriteFileText(PathOf("cut.arj"), bytes.substr(0, mainEnd + 10));
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("cut.arj")));
  std::string badCrc = bytes;
  badCrc[mainEnd + 4 + 8] ^= 0x01;  // the local header's date
  WriteFileText(PathOf("bad-crc.arj"), badCrc);
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("bad-crc.arj")));
}

TEST(ArjVolumeNames, FollowTheUtilitysNumbering) {
  struct Case {
    const char* volume;
    bool alternate;
    const char* next;
  };
  for (const Case& c :
       {Case{"d.1/set.arj", false, "d.1/set.a01"}, Case{"set.a01", false, "set.a02"},
        Case{"set.A99", false, "set.100"}, Case{"set.100", false, "set.101"},
        Case{"d.1/SETX.ARJ", true, "d.1/S001.ARJ"}, Case{"S009.ARJ", true, "S010.ARJ"}}) {
    EXPECT_EQ(NextArjVolumeName(c.volume, c.alternate), c.next) << c.volume;
  }
}

// Through the staging folder: whatever names an archive holds and whatever the destination already
// holds, nothing is written outside the destination, an existing file goes only as the
// existing-file rule says and only for a whole, checked file, and modes, names and links come out
// as the libraries write them.
std::string OutsideText(const std::string& name) {
  return "Tessaly did not extract \"" + name + "\": its path leads outside the destination folder.";
}

std::string FailedCheckText(const std::string& name) {
  return "Tessaly did not extract \"" + name +
         "\": it does not match the size and CRC-32 recorded in the archive.";
}

mode_t Mode(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

mode_t Umask() {
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

class ArjStagingTest : public ArjTest {
 protected:
  // Everything under the test's folder but the destination, the settings and the
  // temporary folder: each path with its link target, its content or (for the
  // archive) its size.
  std::map<std::string, std::string> Outside() const {
    std::map<std::string, std::string> seen;
    for (const std::string& entry : TreeOf(Root())) {
      if (entry.starts_with("out/") || entry.starts_with("config/") || entry.starts_with("tmp/")) {
        continue;
      }
      const fs::path path = fs::path(Root()) / entry;
      if (fs::is_symlink(path)) {
        seen[entry] = "-> " + fs::read_symlink(path).string();
      } else {
        const std::string content = fs::is_regular_file(path) ? ReadFileText(path) : "";
        seen[entry] = content.size() <= 64 ? content : std::to_string(content.size()) + " bytes";
      }
    }
    return seen;
  }

  void ExpectNoStagingLeft() const {
    for (const std::string& entry : TreeOf(PathOf("out"))) {
      EXPECT_EQ(entry.find(".tessaly-"), std::string::npos) << entry;
    }
  }
};

TEST_F(ArjStagingTest, NothingIsWrittenOutsideTheDestinationWhateverTheNames) {
  // Stored as named ("-jf"), from pack/in: through a folder that is a link in the
  // destination, "../" in front, ".." that climbs above the folder the utility is
  // given (it drops only leading ones), and an absolute name.
  fs::create_directories(PathOf("pack/in/pre"));
  fs::create_directories(PathOf("pack/in/sub"));
  WriteFileText(PathOf("pack/in/pre/j.txt"), "through the link");
  WriteFileText(PathOf("pack/x.txt"), "dot dot");
  WriteFileText(PathOf("pack/esc.txt"), "climbing");
  WriteFileText(PathOf("abs/a.txt"), "absolute");
  const std::string archive = PathOf("hostile.arj");
  ASSERT_EQ(RunArj({"a", "-jf", archive, "pre/j.txt", "../x.txt", "sub/../../esc.txt",
                    PathOf("abs/a.txt")},
                   PathOf("pack/in")),
            0);
  fs::create_directories(PathOf("outside"));
  fs::create_directories(PathOf("out"));
  fs::create_directory_symlink("../outside", PathOf("out/pre"));
  const std::map<std::string, std::string> before = Outside();
  session.mainWindow.destinationBox.text = PathOf("out");
  Select({archive});
  Extract();

  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{OutsideText("pre/j.txt"), OutsideText("../x.txt"),
                                      OutsideText("sub/../../esc.txt")}));
  EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  // Names that climb out are refused, as in every format; "/" is dropped.
  EXPECT_FALSE(fs::exists(PathOf("out/x.txt")));
  EXPECT_FALSE(fs::exists(PathOf("out/sub/esc.txt")));
  EXPECT_EQ(ReadFileText(PathOf("out") + PathOf("abs/a.txt")), "absolute");
  ExpectNoStagingLeft();
}

// The utility loops for ever on a name that, once its leading "/", "./" and "../" are
// dropped, begins with ".", and cannot make such an archive either: the name is written
// over that of an archive it made (same length) and the header's CRC-32 made right
// again. Should the refusal fail, the extraction's batch cannot start: no hang.
TEST_F(ArjStagingTest, ANameTheUtilityLoopsOnEndsTheJobBeforeAnythingRuns) {
  struct Case {
    std::string name;
    std::string shown;                // in the refusal; "" where the archive is extracted
    std::vector<std::string> landed;  // what comes out then
  };
  const std::vector<Case> cases = {
      {"..x", "..x", {}},
      {"...", "...", {}},
      {"..\\x", ".._x", {}},
      {".../x", ".../x", {}},
      {"/.\x01z", "._z", {}},
      {"./..", "./..", {}},
      {"a/..x", "", {"a/", "a/..x"}},
      {"\\..x", "", {"_..x"}},
  };
  for (const Case& c : cases) {
    fs::remove_all(PathOf("out"));
    // A fresh one each time: the utility would add to the last and stall on its name.
    fs::remove(PathOf("odd.arj"));
    const std::string archive =
        MakeArj(PathOf("odd.arj"), {{std::string(c.name.size(), 'q'), "data"}});
    std::string bytes = ReadFileText(archive);
    const auto little16 = [&bytes](size_t at) {
      return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    };
    // After the main header (id, size, header, CRC, no extended header) the entry's id
    // and size, then its header: the name follows the first first_hdr_size bytes.
    const size_t header = 4 + little16(2) + 4 + 2 + 4;
    const size_t size = little16(header - 2);
    bytes.replace(header + static_cast<unsigned char>(bytes[header]), c.name.size(), c.name);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(&bytes[header]), size);
    for (size_t i = 0; i < 4; ++i) bytes[header + size + i] = static_cast<char>(crc >> (8 * i));
    WriteFileText(archive, bytes);
    dialogs.messages.clear();
    const size_t probes = host.batches.size() + 1;
    if (!c.shown.empty()) host.failFromStart = probes + 1;
    ExtractInto({archive});
    host.failFromStart = 0;

    EXPECT_EQ(TreeOf(PathOf("out")), c.landed) << c.name;
    if (c.shown.empty()) {
      EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
      EXPECT_EQ(session.status.archiveLabel, kFinished) << c.name;
      continue;
    }
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Tessaly did not extract \"odd.arj\": the "
                                                       "utility cannot handle the name \"" +
                                                       c.shown + "\" in it."});
    EXPECT_EQ(host.batches.size(), probes) << c.name << ": only the probe ran";
    EXPECT_EQ(session.status.archiveLabel, kNotFinished) << c.name;
  }
}

// What becomes of files already there, for each way the job may be set up; the archive
// lists b.txt, then a.txt, then sub/c.txt (without auto overwrite the utility once asked
// in its hidden window whether to make sub, and the job failed).
TEST_F(ArjStagingTest, ExistingFilesAreKeptReplacedOrAskedForAsTheRuleSays) {
  fs::create_directories(PathOf("pack/sub"));
  WriteFileText(PathOf("pack/a.txt"), "new a");
  WriteFileText(PathOf("pack/b.txt"), "new b");
  WriteFileText(PathOf("pack/sub/c.txt"), "new c");
  const std::string archive = PathOf("new.arj");
  ASSERT_EQ(RunArj({"a", archive, "b.txt", "a.txt", "sub/c.txt"}, PathOf("pack")), 0);
  const std::string askB = "The file b.txt already exists in the destination folder. Overwrite it?";
  const std::string askA = "The file a.txt already exists in the destination folder. Overwrite it?";
  struct Case {
    const char* name;
    bool keepExisting;  // tessaly-extract -n
    const char* autoOverwrite;
    std::vector<std::string> answers;
    std::vector<std::string> questions;
    std::string a, b, c;
    bool finished;
  };
  const std::vector<Case> cases = {
      {"-n with auto overwrite", true, "1", {}, {}, "old a", "old b", "new c", true},
      {"auto overwrite", false, "1", {}, {}, "new a", "new b", "new c", true},
      {"asked", false, "", {"No", "Yes"}, {askB, askA}, "new a", "old b", "new c", true},
      {"cancelled", false, "0", {"Cancel"}, {askB}, "old a", "old b", "", false},
  };
  for (const Case& c : cases) {
    fs::remove_all(PathOf("out"));
    fs::create_directories(PathOf("out"));
    WriteFileText(PathOf("out/a.txt"), "old a");
    WriteFileText(PathOf("out/b.txt"), "old b");
    session.job.keepExistingFiles = c.keepExisting;
    SetSetting("arj options", "auto overwrite", c.autoOverwrite);
    dialogs.fileExistsQuestions.clear();
    dialogs.fileExistsAnswers = {c.answers.begin(), c.answers.end()};
    ExtractInto({archive});

    EXPECT_EQ(dialogs.fileExistsQuestions, c.questions) << c.name;
    EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), c.a) << c.name;
    EXPECT_EQ(ReadFileText(PathOf("out/b.txt")), c.b) << c.name;
    EXPECT_EQ(fs::exists(PathOf("out/sub/c.txt")) ? ReadFileText(PathOf("out/sub/c.txt")) : "", c.c)
        << c.name;
    EXPECT_EQ(session.status.archiveLabel, c.finished ? kFinished : kNotFinished) << c.name;
    ExpectNoStagingLeft();
  }
}

TEST_F(ArjStagingTest, ModesLoseSetIdBitsNamesLoseControlCharactersLinksStayInside) {
  const fs::path pack = PathOf("pack");
  fs::create_directories(pack / "dd/lnq");
  WriteFileText(pack / "setuid", "s");
  WriteFileText(pack / "shared", "w");
  WriteFileText(pack / "bell\x07.txt", "ding");
  WriteFileText(pack / "dd/lnq/t.txt", "t");
  fs::create_symlink("lnq", pack / "dd/ok");
  // Stays inside as the utility reads it, but names a level it has not made yet.
  fs::create_symlink("x/../lnq", pack / "dd/bad");
  ASSERT_EQ(chmod((pack / "setuid").c_str(), 04755), 0);
  ASSERT_EQ(chmod((pack / "shared").c_str(), 0666), 0);
  ASSERT_EQ(chmod((pack / "dd").c_str(), 01777), 0);
  ASSERT_EQ(RunArj({"a", "-r", "-a1", PathOf("modes.arj"), "*"}, pack.string()), 0);
  ExtractInto({PathOf("modes.arj")});

  const mode_t mask = Umask();
  EXPECT_EQ(Mode(PathOf("out/setuid")), 0755 & ~mask);
  EXPECT_EQ(Mode(PathOf("out/shared")), 0666 & ~mask);
  EXPECT_EQ(Mode(PathOf("out/dd")), 0777 & ~mask);
  EXPECT_EQ(ReadFileText(PathOf("out/bell_.txt")), "ding");
  EXPECT_EQ(fs::read_symlink(PathOf("out/dd/ok")), "lnq");
  EXPECT_FALSE(fs::exists(fs::symlink_status(PathOf("out/dd/bad"))));
  ASSERT_EQ(dialogs.messages.size(), 1u) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(dialogs.messages[0].text,
            "Tessaly did not create the link \"dd/bad\": its target lies outside the destination "
            "folder.");
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  ExpectNoStagingLeft();
}

// The utility removes what fails its own CRC check, so the placement's check is driven
// here with files put into the staging folder by hand.
TEST_F(ArjStagingTest, OnlyFilesThatMatchTheArchiveAreMoved) {
  const std::string archive =
      MakeArj(PathOf("a.arj"), {{"f.txt", "right"}, {"g.txt", "good"}, {"h.txt", "short"}});
  const std::string out = PathOf("out") + "/";
  fs::create_directories(out);
  WriteFileText(out + "f.txt", "old");
  ArjStaging staging;
  ASSERT_TRUE(staging.Create(out));
  const std::optional<ArjStaging::ArchiveFolder> folder = staging.AddArchive(1, 0);
  ASSERT_TRUE(folder);
  WriteFileText(folder->base + "f.txt", "wrong");  // same size, other CRC
  WriteFileText(folder->base + "g.txt", "good");
  WriteFileText(folder->base + "h.txt", "longer");
  WriteFileText(folder->base + "stray.txt", "no entry of this name");
  session.job.activeBackend = "arj";

  EXPECT_FALSE(PlaceArjArchive(session, ReadArjHeaders(archive), *folder, out));
  staging.Remove();
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{FailedCheckText("f.txt"), FailedCheckText("h.txt"),
                                      FailedCheckText("stray.txt")}));
  EXPECT_EQ(TreeOf(out), (std::vector<std::string>{"f.txt", "g.txt"}));
  EXPECT_EQ(ReadFileText(out + "f.txt"), "old");
  EXPECT_EQ(ReadFileText(out + "g.txt"), "good");
}

}  // namespace
}  // namespace tessaly::testing
