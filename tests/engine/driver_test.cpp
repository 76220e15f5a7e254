// The extraction driver end to end: refusals before any backend runs, the
// destination questions, the confirmation, and the stages of a successful job.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

std::string NotSupported(const std::string& path) {
  return NotSupportedStart(path) +
         " If this file is part of an Ace, Rar, or Arj set, you must select the first file in "
         "the set (i.e. \"MyFile.rar\") to process the set.";
}

void ExpectMessage(const RecordedMessage& m, const std::string& text, MsgButtons buttons,
                   MsgIcon icon, const std::string& title, int defaultButton = 1) {
  EXPECT_EQ(m.text, text);
  EXPECT_EQ(m.buttons, buttons);
  EXPECT_EQ(m.icon, icon);
  EXPECT_EQ(m.title, title);
  EXPECT_EQ(m.defaultButton, defaultButton);
}

// Compressible, so the library inflates it rather than storing it.
std::string Bravo() {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "bravo ";
  return text;
}

class DriverTest : public EngineTest {
 protected:
  DriverTest() {
    WriteZip(PathOf("a.zip"), {{"a.txt", "alpha"}, {"d/", ""}, {"d/b.txt", Bravo(), true}});
  }
  // The job ended before the Status window opened.
  void ExpectRefusedEarly() {
    EXPECT_EQ(dialogs.statusShown, 0);
    EXPECT_EQ(mainWindow.Count("ListFolder"), 0);
    EXPECT_EQ(mainWindow.Count("UpdateSelectionState"), 1);
    EXPECT_FALSE(mainWindow.busy);
    EXPECT_TRUE(mainWindow.enabled);
  }
};

TEST_F(DriverTest, EmptySelectionDoesNothingAtAll) {
  Select({});
  Extract();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(mainWindow.calls.empty());
  EXPECT_EQ(pump.pumps, 0);
}

// The types found decide, not the extensions: a ZIP archive and a self-extracting one
// are one job.
TEST_F(DriverTest, OneTypeUnderTwoExtensionsIsOneJob) {
  WriteZip(PathOf("b.zip"), {{"b.txt", "bravo"}});
  WriteSelfExtracting(PathOf("b.exe"), PathOf("b.zip"));
  fs::create_directory(PathOf("out"));
  session.mainWindow.destinationBox.text = PathOf("out");
  Select({PathOf("a.zip"), PathOf("b.exe")});
  Extract();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");
  EXPECT_EQ(ReadFileText(PathOf("out/b.txt")), "bravo");
}

TEST_F(DriverTest, FilesNoBackendAcceptsAreRefusedWithTheirName) {
  WriteFileText(PathOf("notes.txt"), "plain text");
  WriteFileText(PathOf("broken.zip"), "PK\x03\x04 not really");
  WriteFileText(PathOf("fake.rar"), "not an archive");
  for (const std::string file : {"notes.txt", "broken.zip", "fake.rar"}) {
    SCOPED_TRACE(file);
    dialogs.messages.clear();
    mainWindow.calls.clear();
    Select({PathOf(file)});
    Extract();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    ExpectMessage(dialogs.messages[0], NotSupported(PathOf(file)), MsgButtons::OK,
                  MsgIcon::Critical, "Oops!");
    ExpectRefusedEarly();
  }
}

// No ends the job before the Status window; Yes extracts.
TEST_F(DriverTest, EmptyOrMissingDestinationIsAskedAboutFirst) {
  const struct {
    const char* label;
    std::string box;
    std::string question;
    MsgIcon icon;
    int defaultButton;
    int focused;  // whether No puts the focus in the destination box
    std::string extractedTo;
  } kCases[] = {
      {"empty", "",
       "You have not specified a destination folder. If you choose to continue, all files will "
       "be extracted to the current folder, which is \"" +
           WorkDir() + "\". Do you wish to continue?",
       MsgIcon::Exclamation, 2, 1, WorkDir()},
      {"missing", PathOf("new out"),
       "The folder \"" + PathOf("new out") + "\" does not exist. Would you like it to be created?",
       MsgIcon::None, 1, 0, PathOf("new out")},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    dialogs.messages.clear();
    mainWindow.calls.clear();
    session.mainWindow.destinationBox.text = c.box;
    Select({PathOf("a.zip")});
    dialogs.messageAnswers = {MsgAnswer::No};
    Extract();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    ExpectMessage(dialogs.messages[0], c.question, MsgButtons::YesNo, c.icon, "Oops!",
                  c.defaultButton);
    EXPECT_EQ(mainWindow.Count("FocusCombo1"), c.focused);
    EXPECT_FALSE(fs::exists(c.extractedTo + "/a.txt"));
    ExpectRefusedEarly();

    Select({PathOf("a.zip")});
    dialogs.messageAnswers = {MsgAnswer::Yes};
    Extract();
    EXPECT_EQ(ReadFileText(c.extractedTo + "/a.txt"), "alpha");
    session.status.CancelButtonClicked(session);  // OK closes the finished job
    dialogs.statusShown = 0;
  }
}

TEST_F(DriverTest, UncreatableDestinationIsReportedAndNoStatusWindowOpens) {
  const std::string destination = PathOf("missing/deeper");
  session.mainWindow.destinationBox.text = destination;
  Select({PathOf("a.zip")});
  dialogs.messageAnswers = {MsgAnswer::Yes};
  Extract();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  ExpectMessage(dialogs.messages[1],
                "Could not create the folder \"" + destination +
                    "\". Please use a valid drive letter and remember that the following "
                    "characters are not allowed in a folder name: \\ / : * ? \" < > |",
                MsgButtons::OK, MsgIcon::Exclamation, "Oops!");
  ExpectRefusedEarly();
}

TEST_F(DriverTest, OnlyGoRunsTheJobAndOnlyGoSavesAnUntickedBox) {
  SetSetting("General", "Show confirmation", "1");
  session.mainWindow.destinationBox.text = PathOf("out");
  fs::create_directory(PathOf("out"));
  Select({PathOf("a.zip")});

  dialogs.confirmAnswers = {ConfirmAnswer::CancelUntick};
  Extract();
  ASSERT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_EQ(dialogs.confirmations[0],
            "You have chosen to extract the contents of the selected archive(s) to the "
            "folder:\n\n" +
                PathOf("out"));
  EXPECT_FALSE(dialogs.confirmNewDestinationVisible[0]);
  EXPECT_TRUE(session.job.confirmCancelled);
  EXPECT_EQ(dialogs.statusShown, 0);
  EXPECT_FALSE(fs::exists(PathOf("out/a.txt")));
  EXPECT_EQ(GetSetting("General", "Show confirmation"), "1");

  Select({PathOf("a.zip")});
  dialogs.confirmAnswers = {ConfirmAnswer::Close};
  Extract();
  EXPECT_EQ(dialogs.statusShown, 0) << "closing the dialog is no Go";
  EXPECT_FALSE(session.job.confirmFromDriver);

  Select({PathOf("a.zip")});
  dialogs.confirmAnswers = {ConfirmAnswer::GoUntick};
  Extract();
  EXPECT_FALSE(session.job.confirmFromDriver);
  EXPECT_EQ(GetSetting("General", "Show confirmation"), "0");
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), "alpha");

  Select({PathOf("a.zip")});
  dialogs.fileExistsAnswers = {"All"};
  Extract();
  EXPECT_EQ(dialogs.confirmations.size(), 3u) << "no confirmation after Go with the box unticked";
}

TEST_F(DriverTest, ASuccessfulJobGoesThroughEveryStageOfTheStatusWindow) {
  const std::string out = PathOf("out");
  fs::create_directory(out);
  session.mainWindow.destinationBox.text = out;
  Select({PathOf("a.zip")});
  Extract();

  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.statusShown, 1);
  ASSERT_FALSE(recorder.snapshots.empty());
  const StatusRecorder::Snapshot& first = recorder.snapshots.front();
  EXPECT_EQ(first.archiveLabel, "Preparing to extract files...");
  EXPECT_EQ(first.max, 100);
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + PathOf("a.zip")));
  // Stored and deflated entries, each line as the library printed it.
  EXPECT_EQ(recorder.MessageLines(),
            (std::vector<std::string>{"Extracting file: " + out + "/a.txt  ",
                                      "Extracting file: " + out + "/d/b.txt  "}));

  const StatusModel& status = session.status;
  EXPECT_EQ(status.archiveLabel, kFinished);
  EXPECT_EQ(status.progressMax, 3);  // three entries counted, the folder among them
  EXPECT_EQ(status.progressValue, 3);
  EXPECT_EQ(status.cancelButtonCaption, "OK");
  EXPECT_EQ(status.backgroundButtonCaption, "Explore");
  EXPECT_EQ(session.job.extractResult, 0);

  EXPECT_EQ(ReadFileText(out + "/d/b.txt"), Bravo());
  EXPECT_EQ(mainWindow.Count("ListFolder"), 1);
  EXPECT_EQ(mainWindow.Count("UpdateSelectionState"), 1);
  EXPECT_FALSE(mainWindow.enabled) << "the Status window keeps the main window disabled";
  EXPECT_EQ(session.mainWindow.destinationBox.list, (std::vector<std::string>{out}));
  EXPECT_EQ(GetSetting("Destination Folder Hist", "folder1"), out);

  session.status.CancelButtonClicked(session);
  EXPECT_FALSE(status.loaded);
  EXPECT_TRUE(mainWindow.enabled);
  EXPECT_FALSE(mainWindow.busy);
}

}  // namespace
}  // namespace tessaly::testing
