// ARJ jobs through the driver with the installed ARJ utility: the batch file the job
// runs (exact bytes, every path quoted), what the Status window says, what comes
// out, and the scratch files afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/arj_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::string kWaiting =
    "Tessaly is waiting for the arj utility to finsh extracting the selected files.";
const std::string kWaitingForUser =
    kWaiting + " Please close the DOS window when it is finished to return to Tessaly.";

std::string Noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

class ArjJobTest : public ArjTest {
 protected:
  std::string ExtractLine(const std::string& archive, const std::string& destination,
                          const std::string& options = "-y ") const {
    return "\"" + std::string(kArj) + "\" x -v " + options + "\"" + archive + "\" \"" +
           destination + "\"";
  }
  // The start that ran the extraction: the last one.
  const RecordingConsoleHost::Started& ExtractionStart() const { return host.starts.back(); }
};

TEST_F(ArjJobTest, SeveralArchivesWithFoldersExtractInOneHiddenWatchedRun) {
  const std::string first =
      MakeArj(PathOf("first.arj"),
              {{"a.txt", "alpha"}, {"docs/b.txt", "beta"}, {"docs/deep/c.txt", "gamma"}});
  const std::string second = MakeArj(PathOf("second.arj"), {{"d.txt", "delta"}});
  fs::create_directories(PathOf("out"));
  session.Form1.Combo1.text = PathOf("out");
  Select({first, second});
  Extract();

  EXPECT_EQ(TreeOf(PathOf("out")),
            (std::vector<std::string>{"a.txt", "d.txt", "docs/", "docs/b.txt", "docs/deep/",
                                      "docs/deep/c.txt"}));
  EXPECT_EQ(ReadFileText(PathOf("out/docs/deep/c.txt")), "gamma");
  ASSERT_EQ(host.starts.size(), 3u) << "two probes, then one run for both archives";
  const std::string scratch = Scratch();
  EXPECT_EQ(ExtractionStart().argv,
            (std::vector<std::string>{TESSALY_BATCH_BIN, scratch + "Tessaly.bat"}));
  EXPECT_EQ(ExtractionStart().windowStyle, 0);
  EXPECT_EQ(ExtractionStart().batch, Batch({ExtractLine(first, PathOf("out") + "/"),
                                            ExtractLine(second, PathOf("out") + "/")}));
  EXPECT_FALSE(ExtractionStart().command1Visible) << "an ARJ job cannot be cancelled";

  const Form4& form = session.Form4Window;
  EXPECT_TRUE(status.SawLblarc(kWaiting));
  EXPECT_EQ(form.lblarc, kFinished);
  EXPECT_TRUE(form.Command1Visible);
  EXPECT_EQ(form.Command1Caption, "OK");
  EXPECT_EQ(form.pb2Value, form.pb2Max);
  EXPECT_EQ(session.job.ExtractResult, 0);
  EXPECT_TRUE(dialogs.messages.empty());
  for (const StatusRecorder::Snapshot& s : status.snapshots) {
    EXPECT_TRUE(s.value % 20 == 0) << "the bar only shows the animation's steps: " << s.value;
  }
  EXPECT_FALSE(fs::exists(scratch + "Tessaly.bat"));
  EXPECT_TRUE(fs::exists(scratch + "arjtmp.tmp")) << "the last probe's listing stays";
  EXPECT_EQ(session.job.ActiveBackend, "");
}

TEST_F(ArjJobTest, WithoutAutoCloseTheJobWaitsForTheBatchAndAsksForNoOverwriteSwitch) {
  SetSetting("General", "Close extract window", "0");
  SetSetting("arj options", "auto overwrite", "0");
  const std::string archive = MakeArj(PathOf("flat.arj"), {{"one.txt", "1"}, {"two.txt", "2"}});
  fs::create_directories(PathOf("out"));
  session.Form1.Combo1.text = PathOf("out/");
  Select({archive});
  Extract();

  EXPECT_EQ(ExtractionStart().batch, Batch({ExtractLine(archive, PathOf("out/"), "")}));
  EXPECT_TRUE(status.SawLblarc(kWaitingForUser));
  EXPECT_EQ(session.Form4Window.lblarc, kFinished);
  EXPECT_EQ(TreeOf(PathOf("out")), (std::vector<std::string>{"one.txt", "two.txt"}));
}

TEST_F(ArjJobTest, AMultiVolumeSetExtractsFromItsFirstVolume) {
  const std::string big = Noise(150000, 1);
  const std::string archive =
      MakeArj(PathOf("set.arj"), {{"big.bin", big}, {"small.txt", "s"}}, {"-v60k"});
  ASSERT_TRUE(fs::exists(PathOf("set.a01")));
  ASSERT_TRUE(fs::exists(PathOf("set.a02")));
  fs::create_directories(PathOf("out"));
  session.Form1.Combo1.text = PathOf("out");
  Select({archive});
  Extract();

  EXPECT_EQ(TreeOf(PathOf("out")), (std::vector<std::string>{"big.bin", "small.txt"}));
  EXPECT_TRUE(ReadFileText(PathOf("out/big.bin")) == big);
  EXPECT_EQ(session.Form4Window.lblarc, kFinished);
}

TEST_F(ArjJobTest, ADamagedArchiveIsReportedAsNotFinishedAlsoWhenALaterOneSucceeds) {
  const std::string content = Noise(40000, 2);
  const std::string archive = MakeArj(PathOf("bad.arj"), {{"data.bin", content}}, {"-m0"});
  std::string bytes = ReadFileText(archive);
  bytes[bytes.size() / 2] ^= 0x55;
  WriteFileText(archive, bytes);
  const std::string sound = MakeArj(PathOf("sound.arj"), {{"ok.txt", "ok"}});
  fs::create_directories(PathOf("out"));
  session.Form1.Combo1.text = PathOf("out");
  Select({archive, sound});
  Extract();

  // The utility's complaint stays in its hidden window; its status tells the job.
  const Form4& form = session.Form4Window;
  EXPECT_EQ(form.lblarc, kNotFinished);
  EXPECT_EQ(session.job.ExtractResult, 1);
  EXPECT_TRUE(form.Command1Visible);
  EXPECT_EQ(form.pb2Value, form.pb2Max);
  EXPECT_TRUE(dialogs.messages.empty());
  const fs::path extracted = PathOf("out/data.bin");
  EXPECT_FALSE(fs::exists(extracted) && ReadFileText(extracted) == content);
  EXPECT_EQ(ReadFileText(PathOf("out/ok.txt")), "ok") << "the later archive still ran";
  EXPECT_FALSE(fs::exists(Scratch() + "Tessaly.bat"));
}

TEST_F(ArjJobTest, AUtilityThatCannotStartIsReportedAsNotFinished) {
  const std::string archive = MakeArj(PathOf("plain.arj"), {{"p.txt", "p"}});
  fs::create_directories(PathOf("out"));
  session.Form1.Combo1.text = PathOf("out");
  Select({archive});
  host.failFromStart = 2;  // the probe runs, the extraction's batch cannot start
  SetSetting("General", "Close extract window", "0");
  Extract();

  EXPECT_EQ(session.Form4Window.lblarc, kNotFinished);
  EXPECT_EQ(session.job.ExtractResult, 1);
  EXPECT_TRUE(TreeOf(PathOf("out")).empty());
}

TEST_F(ArjJobTest, BlanksShellCharactersAndLeadingDashesReachTheUtilityAsOneArgument) {
  fs::create_directories(PathOf("odd dir;$HOME`id`"));
  const std::string first =
      MakeArj(PathOf("odd dir;$HOME`id`/-first arc.arj"), {{"x y.txt", "first"}});
  MakeArj(WorkDir() + "/-second.arj", {{"z.txt", "second"}});
  session.Form1.Combo1.text = "-out $x; y";
  Select({first, "-second.arj"});
  dialogs.messageAnswers = {MsgAnswer::Yes};  // create the destination
  Extract();

  EXPECT_EQ(ExtractionStart().batch, Batch({ExtractLine(first, "./-out $x; y/"),
                                            ExtractLine("./-second.arj", "./-out $x; y/")}));
  EXPECT_EQ(TreeOf(WorkDir() + "/-out $x; y"), (std::vector<std::string>{"x y.txt", "z.txt"}));
  EXPECT_EQ(session.Form4Window.lblarc, kFinished);
}

TEST_F(ArjJobTest, ADestinationWithADoubleQuoteEndsTheJobBeforeAnythingRuns) {
  const std::string archive = MakeArj(PathOf("q.arj"), {{"q.txt", "q"}});
  const std::string destination = PathOf("say \"hi\"");
  fs::create_directories(destination);
  session.Form1.Combo1.text = destination;
  Select({archive});
  Extract();

  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "Tessaly cannot hand \"" + destination +
                "\" to the arj utility: a name that contains a double quotation mark or a line "
                "break cannot be written into the batch file. Please rename it and try again.");
  EXPECT_EQ(dialogs.messages[0].title, "Oops!");
  EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(host.starts.size(), 1u) << "only the probe ran";
  EXPECT_EQ(session.Form4Window.lblarc, kNotFinished);
  EXPECT_TRUE(session.Form4Window.Command1Visible);
  EXPECT_TRUE(TreeOf(destination).empty());
}

TEST_F(ArjJobTest, ArchivesTheUtilityCannotBeReachedForAreRefusedAsUnsupported) {
  const std::string archive = MakeArj(PathOf("plain.arj"), {{"p.txt", "p"}});
  const std::string refusal =
      NotSupportedStart(archive) +
      " If this file is part of an Ace, Rar, or Arj set, you must select the first file in the "
      "set (i.e. \"MyFile.rar\") to process the set.";
  WriteFileText(PathOf("arj-notes.txt"), "not a program");
  session.Form1.Combo1.text = PathOf("out");
  for (const std::string& location :
       {std::string(), PathOf("missing/arj"), WorkDir(), PathOf("arj-notes.txt")}) {
    SetSetting("Utility Locations", "arj", location);
    dialogs.messages.clear();
    Select({archive});
    Extract();
    ASSERT_EQ(dialogs.messages.size(), 1u) << location;
    EXPECT_EQ(dialogs.messages[0].text, refusal) << location;
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.statusShown, 0);
  }
  EXPECT_EQ(host.starts.size(), 1u) << "only the existing non-program was tried";
  EXPECT_FALSE(fs::exists(PathOf("out")));
}

}  // namespace
}  // namespace tessaly::testing
