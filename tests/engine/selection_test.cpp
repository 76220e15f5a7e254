// What a selection is: the content probe, the refusals of ClassifySelection, and
// jobs started from the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/selection.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class SelectionTest : public EngineTest {
 protected:
  SelectionTest() { WriteZip(PathOf("a.zip"), {{"a.txt", "alpha"}}); }
};

TEST_F(SelectionTest, TheProbeFindsZipArchivesByTheirContents) {
  WriteSelfExtracting(PathOf("stub.exe"), PathOf("a.zip"));
  fs::copy_file(PathOf("a.zip"), PathOf("set.001"));
  fs::copy_file("/bin/true", PathOf("prog.exe"));
  WriteFileText(PathOf("empty.zip"), "");
  struct Case {
    std::string file;
    std::string type;
    bool isExe;
  };
  const Case cases[] = {
      {"a.zip", "zip", false}, {"stub.exe", "zip", true}, {"set.001", "zip", false},
      {"prog.exe", "", true},  {"empty.zip", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(DetectArchiveType(session, PathOf(c.file)), c.type);
    EXPECT_EQ(session.job.probeIsExe, c.isExe);
    EXPECT_FALSE(session.job.probeMode);
    EXPECT_FALSE(session.job.countingPass);
  }
  EXPECT_TRUE(dialogs.messages.empty()) << "the probe shows nothing";
  EXPECT_EQ(session.status.messageLabel, "");
}

// The type comes from the contents whatever the name: ZIP-based documents, a ZIP
// archive named like a tar or like text.
TEST_F(SelectionTest, ClassifyProbesEveryFileWhateverItsName) {
  for (const char* name : {"b.001", "c.TAR.GZ", "c.txt", "d.jar", "e.epub", "f.docx", "g"}) {
    fs::copy_file(PathOf("a.zip"), PathOf(name));
    session.job.selectedFiles = {PathOf(name)};
    EXPECT_EQ(ClassifySelection(session), "zip") << name;
  }
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SelectionTest, AGivenCommandLineExtractsIntoTheDestinationBoxOneOfBlanksDoesNothing) {
  ParseCommandLine(session, std::string(" \t  \t "));
  ParseCommandLine(session, std::nullopt, {});
  EXPECT_EQ(pump.pumps, 0);
  EXPECT_EQ(session.job.selectedCount, 0);

  WriteZip(PathOf("b.zip"), {{"b.txt", "bravo"}});
  fs::create_directory(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  session.job.dropMode = true;
  ParseCommandLine(session, PathOf("a.zip") + " \t" + PathOf("b.zip"));
  EXPECT_TRUE(dialogs.destinationRequests.empty());
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");
  EXPECT_EQ(ReadFileText(PathOf("out/b.txt")), "bravo");
  EXPECT_FALSE(session.job.dropMode);
  EXPECT_EQ(session.job.activeBackend, "") << "the job is over";
}

TEST_F(SelectionTest, AnUnsupportedTokenEndsTheStartQuietlyAfterItsMessage) {
  ParseCommandLine(session, PathOf("a.zip") + " " + PathOf("notes.txt"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, NotSupportedStart(PathOf("notes.txt")));
  EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(dialogs.statusShown, 0);
}

TEST_F(SelectionTest, OnlyTheFirstHundredTokensAreUsed) {
  SetSetting("zip options", "auto overwrite", "1");
  fs::create_directory(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  std::string line;
  for (int i = 0; i < 100; ++i) line += PathOf("a.zip") + " ";
  for (int i = 0; i < 50; ++i) line += PathOf("notes.txt") + " ";
  ParseCommandLine(session, line);
  EXPECT_TRUE(dialogs.messages.empty()) << "token 101 was looked at";
  EXPECT_EQ(session.job.selectedCount, 100);
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");
}

TEST_F(SelectionTest, TheProgramsOwnArgumentsAskForADestinationFirst) {
  fs::create_directory(PathOf("my dir"));
  WriteZip(PathOf("my dir/c d.zip"), {{"c.txt", "charlie"}});
  DestinationAnswer answer;
  answer.chosenDestination = PathOf("out") + "/";
  answer.perArchiveFolder = true;
  fs::create_directory(PathOf("out"));
  dialogs.destinationAnswers = {answer};
  ParseCommandLine(session, std::nullopt, {PathOf("my dir/c d.zip"), PathOf("a.zip")});

  ASSERT_EQ(dialogs.destinationRequests.size(), 1u);
  const DestinationRequest& request = dialogs.destinationRequests[0];
  EXPECT_EQ(request.caption, "Extract to...");
  EXPECT_TRUE(request.showPerArchiveCheck);
  EXPECT_EQ(request.startFolder, session.mainWindow.currentFolder);
  EXPECT_EQ(mainWindow.Count("Show"), 1);
  EXPECT_EQ(session.mainWindow.destinationBox.text, PathOf("out") + "/");
  EXPECT_EQ(ReadFileText(PathOf("out/c d/c.txt")), "charlie");
  EXPECT_EQ(ReadFileText(PathOf("out/a/a.txt")), "alpha");
}

TEST_F(SelectionTest, CancellingTheDestinationAtStartUpExtractsNothing) {
  session.mainWindow.destinationBox.text = PathOf("last");
  dialogs.destinationAnswers = {DestinationAnswer{}};
  ParseCommandLine(session, std::nullopt, {PathOf("a.zip")});
  ASSERT_EQ(dialogs.destinationRequests.size(), 1u);
  EXPECT_EQ(dialogs.destinationRequests[0].startFolder, PathOf("last"));
  EXPECT_EQ(dialogs.statusShown, 0);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(session.mainWindow.destinationBox.text, PathOf("last"));
}

}  // namespace
}  // namespace tessaly::testing
