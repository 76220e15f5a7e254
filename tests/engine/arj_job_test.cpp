// ARJ jobs through the driver with the installed ARJ utility: the batch file the job
// runs (exact bytes, every path quoted), what the Status window says, what comes
// out, and the scratch files afterwards. Volume sets and the utility's methods are
// the corpus tests' part; waiting for the user's window and the utility's questions
// (no "-y") the ARJ console job tests'.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/arj_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::string kWaiting =
    "Tessaly is waiting for the arj utility to finsh extracting the selected files.";

using ArjJobTest = ArjTest;

TEST_F(ArjJobTest, SeveralArchivesWithFoldersExtractInOneHiddenWatchedRun) {
  const std::string first =
      MakeArj(PathOf("first.arj"),
              {{"a.txt", "alpha"}, {"docs/b.txt", "beta"}, {"docs/deep/c.txt", "gamma"}});
  const std::string second = MakeArj(PathOf("second.arj"), {{"d.txt", "delta"}});
  ExtractInto({first, second});

  EXPECT_EQ(TreeOf(PathOf("out")),
            (std::vector<std::string>{"a.txt", "d.txt", "docs/", "docs/b.txt", "docs/deep/",
                                      "docs/deep/c.txt"}));
  ASSERT_EQ(host.starts.size(), 3u) << "two probes, then one run for both archives";
  const RecordingConsoleHost::Started& run = host.starts.back();
  const std::string scratch = Scratch();
  EXPECT_EQ(run.argv, (std::vector<std::string>{TESSALY_BATCH_BIN, scratch + "Tessaly.bat"}));
  EXPECT_EQ(run.windowStyle, 0);
  // Each archive into a staging folder of its own inside the destination, gone again.
  const std::string out = PathOf("out") + "/";
  EXPECT_EQ(run.batch, Batch({ExtractLine(first, StagingFolder(run.batch, out, 1)),
                              ExtractLine(second, StagingFolder(run.batch, out, 2))}));
  EXPECT_FALSE(run.cancelButtonVisible) << "an ARJ job cannot be cancelled";

  const StatusModel& status = session.status;
  EXPECT_TRUE(recorder.SawArchiveLabel(kWaiting));
  EXPECT_EQ(status.archiveLabel, kFinished);
  EXPECT_TRUE(status.cancelButtonVisible);
  EXPECT_EQ(status.progressValue, status.progressMax);
  EXPECT_EQ(session.job.extractResult, 0);
  for (const StatusRecorder::Snapshot& s : recorder.snapshots) {
    EXPECT_TRUE(s.value % 20 == 0) << "the bar only shows the animation's steps: " << s.value;
  }
  EXPECT_FALSE(fs::exists(scratch + "Tessaly.bat"));
  EXPECT_FALSE(fs::exists(scratch + "arjtmp.tmp")) << "the probe's listing goes with the job";
  EXPECT_EQ(session.job.activeBackend, "");
}

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

TEST_F(ArjJobTest, BlanksShellCharactersAndLeadingDashesReachTheUtilityAsOneArgument) {
  fs::create_directories(PathOf("odd dir;$HOME`id`"));
  const std::string first =
      MakeArj(PathOf("odd dir;$HOME`id`/-first arc.arj"), {{"x y.txt", "first"}});
  MakeArj(WorkDir() + "/-second.arj", {{"z.txt", "second"}});
  session.mainWindow.destinationBox.text = "-out $x; y";
  Select({first, "-second.arj"});
  dialogs.messageAnswers = {MsgAnswer::Yes};  // create the destination
  Extract();

  const std::string batch = host.starts.back().batch;
  EXPECT_EQ(batch,
            Batch({ExtractLine(first, "./" + StagingFolder(batch, "-out $x; y/", 1)),
                   ExtractLine("./-second.arj", "./" + StagingFolder(batch, "-out $x; y/", 2))}));
  EXPECT_EQ(TreeOf(WorkDir() + "/-out $x; y"), (std::vector<std::string>{"x y.txt", "z.txt"}));
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

TEST_F(ArjJobTest, ADestinationWithADoubleQuoteEndsTheJobBeforeAnythingRuns) {
  const std::string archive = MakeArj(PathOf("q.arj"), {{"q.txt", "q"}});
  const std::string destination = PathOf("say \"hi\"");
  fs::create_directories(destination);
  session.mainWindow.destinationBox.text = destination;
  Select({archive});
  Extract();

  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "Tessaly cannot hand \"" + destination +
                "\" to the arj utility: a name that contains a double quotation mark or a line "
                "break cannot be written into the batch file. Please rename it and try again.");
  EXPECT_EQ(host.starts.size(), 1u) << "only the probe ran";
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  EXPECT_TRUE(TreeOf(destination).empty());
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
    host.starts.clear();
    dialogs.statusShown = 0;
    ExtractInto({archive});
    const bool extracted = row.message.empty();
    EXPECT_EQ(MessageTexts(), extracted ? std::vector<std::string>{} : std::vector{row.message});
    EXPECT_EQ(host.starts.size(), row.starts);
    EXPECT_EQ(GetSetting("Utility Locations", "arj"), row.location) << "nothing stored";
    EXPECT_EQ(dialogs.statusShown, extracted ? 1 : 0);
    EXPECT_EQ(TreeOf(PathOf("out")),
              extracted ? std::vector<std::string>{"p.txt"} : std::vector<std::string>{});
    if (extracted && !host.starts.empty()) {
      EXPECT_NE(host.starts.back().batch.find(PathOf("bin/arj") + "\" x "), std::string::npos);
    }
    if (!fs::exists(PathOf("bin/arj"))) fs::create_symlink(kArj, PathOf("bin/arj"));
  }
}

}  // namespace
}  // namespace tessaly::testing
