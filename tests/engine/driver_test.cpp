// The extraction driver end to end: refusals before any backend runs, the
// destination questions and the confirmation.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/engine_fixture.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

void ExpectMessage(const RecordedMessage& m, const std::string& text, MsgButtons buttons,
                   MsgIcon icon, const std::string& title, int defaultButton = 1) {
  EXPECT_EQ(m.text, text);
  EXPECT_EQ(m.buttons, buttons);
  EXPECT_EQ(m.icon, icon);
  EXPECT_EQ(m.title, title);
  EXPECT_EQ(m.defaultButton, defaultButton);
}

class DriverTest : public EngineTest {
 protected:
  DriverTest() { WriteZip(PathOf("a.zip"), {{"a.txt", "alpha"}}); }
  // The job ended before the Status window opened.
  void ExpectRefusedEarly() {
    EXPECT_EQ(dialogs.statusShown, 0);
    EXPECT_EQ(mainWindow.Count("ListFolder"), 0);
    EXPECT_EQ(mainWindow.Count("UpdateSelectionState"), 1);
    EXPECT_FALSE(mainWindow.busy);
    EXPECT_TRUE(mainWindow.enabled);
  }
};

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

// A job sent to the background tells how it ended, with its archive or their count; a
// job the user watched tells nothing.
TEST_F(DriverTest, AJobInTheBackgroundTellsTheDesktopHowItEnded) {
  WriteZip(PathOf("b.zip"), {{"b.txt", "bravo"}});
  WriteZip(PathOf("bad.zip"), {{"c.txt", "charlie"}});
  DamageBytes(PathOf("bad.zip"), "charlie");
  const std::string finished = "Tessaly has finished extracting the files.";
  const struct {
    const char* label;
    std::vector<std::string> archives;
    bool background, cancel;
    std::vector<std::string> told;
  } kCases[] = {
      {"finished", {"b.zip"}, true, false, {"Tessaly: " + finished + "\nb.zip"}},
      {"watched", {"b.zip"}, false, false, {}},
      {"failed",
       {"bad.zip", "b.zip"},
       true,
       false,
       {"Tessaly: Tessaly did not finish extracting the files.\n2 archives"}},
      {"cancelled",
       {"b.zip"},
       true,
       true,
       {"Tessaly: Tessaly stopped extracting the files: the job was cancelled.\nb.zip"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    mainWindow.calls.clear();
    session.mainWindow.destinationBox.text = PathOf(c.label);
    fs::create_directories(PathOf(c.label));
    if (c.label == std::string("failed")) dialogs.messageAnswers = {MsgAnswer::OK};
    pump.meanwhile = [&] {
      if (!session.status.loaded || session.status.cancelButtonCaption != "Cancel") return;
      if (c.background) session.status.BackgroundButtonClicked(session);
      if (c.cancel) session.status.CancelButtonClicked(session);
    };
    std::vector<std::string> paths;
    for (const std::string& archive : c.archives) paths.push_back(PathOf(archive));
    Select(paths);
    Extract();
    pump.meanwhile = nullptr;
    std::vector<std::string> told;
    for (const std::string& call : mainWindow.calls) {
      if (call.rfind("TellJobEnded", 0) == 0) told.push_back(call.substr(13, call.size() - 14));
    }
    EXPECT_EQ(told, c.told);
    session.status.CancelButtonClicked(session);  // OK closes the ended job
  }
}

}  // namespace
}  // namespace tessaly::testing
