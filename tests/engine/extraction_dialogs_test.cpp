// The confirmation dialog and the Status window as the windows drive them. What the
// confirmation shows is the confirmation window's tests' part.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_fixture.h"
#include "support/fake_opener.h"

namespace tessaly::testing {
namespace {

class CountingStatusView : public StatusView {
 public:
  int refreshes = 0;
  void Refresh() override { ++refreshes; }
};

using ExtractionDialogsTest = EngineTest;

TEST_F(ExtractionDialogsTest, StatusWindowOpensReadyAndCancelOnlyFlagsTheJob) {
  Form4& form = session.Form4Window;
  form.lblmsg = "left over";
  form.pb2Value = 7;
  form.Command2Visible = false;
  form.Load(session);
  EXPECT_TRUE(form.loaded);
  EXPECT_EQ(form.lblarc, "Preparing to extract files...");
  EXPECT_EQ(form.lblmsg, "");
  EXPECT_EQ(form.pb2Max, 100);
  EXPECT_EQ(form.pb2Value, 0);
  EXPECT_EQ(form.Command1Caption, "Cancel");
  EXPECT_EQ(form.Command2Caption, "Background");
  EXPECT_TRUE(form.Command2Enabled);
  EXPECT_TRUE(form.Command2Visible);
  EXPECT_FALSE(mainWindow.enabled);
  EXPECT_TRUE(mainWindow.busy);

  form.Command1_Click(session);
  EXPECT_TRUE(session.job.CancelExtract);
  EXPECT_EQ(session.job.ExtractResult, 1);

  form.Command1Caption = "OK";
  session.job.StatusMinimised = true;
  form.Command1_Click(session);
  EXPECT_FALSE(form.loaded);
  EXPECT_FALSE(session.job.StatusMinimised);
  EXPECT_TRUE(mainWindow.enabled);
  EXPECT_FALSE(mainWindow.busy);
}

TEST_F(ExtractionDialogsTest, EveryStatusChangeIsShownAndTheBarStaysInRange) {
  CountingStatusView view;
  Form4& form = session.Form4Window;
  form.view = &view;
  form.SetMax(5);
  form.SetValue(9);
  EXPECT_EQ(form.pb2Value, 5);
  form.SetValue(-1);
  EXPECT_EQ(form.pb2Value, 0);
  EXPECT_EQ(view.refreshes, 3);
}

TEST_F(ExtractionDialogsTest, BackgroundHidesTheStatusUntilTheMainWindowIsActivated) {
  Form4& form = session.Form4Window;
  mainWindow.windowState = kWindowMaximized;
  form.Load(session);
  MainWindowActivated(session);
  EXPECT_FALSE(mainWindow.enabled) << "activation without Background changes nothing";
  EXPECT_EQ(mainWindow.Count("SetWindowState(0)") + mainWindow.Count("SetWindowState(2)"), 0);

  form.Command2_Click(session);
  EXPECT_FALSE(form.Visible);
  EXPECT_TRUE(form.loaded);
  EXPECT_TRUE(mainWindow.enabled);
  EXPECT_EQ(mainWindow.windowState, kWindowMinimized);
  EXPECT_TRUE(session.job.StatusMinimised);
  EXPECT_EQ(session.job.SavedWindowState, kWindowMaximized);
  EXPECT_FALSE(session.job.CancelExtract) << "the job runs on in the background";

  MainWindowActivated(session);
  EXPECT_TRUE(form.Visible);
  EXPECT_EQ(mainWindow.windowState, kWindowMaximized);

  mainWindow.calls.clear();
  MainWindowActivated(session);
  EXPECT_TRUE(mainWindow.calls.empty()) << "only the first activation brings the window back";
}

TEST_F(ExtractionDialogsTest, FromTheDropTargetBackgroundIsDisabledAndDoesNothing) {
  session.job.DropMode = true;
  session.job.CancelExtract = true;
  Form4& form = session.Form4Window;
  form.Load(session);
  EXPECT_FALSE(form.Command2Enabled);
  EXPECT_FALSE(session.job.CancelExtract);
  form.Command2_Click(session);
  EXPECT_TRUE(form.Visible);
  EXPECT_FALSE(session.job.StatusMinimised);
  EXPECT_EQ(mainWindow.windowState, kWindowNormal);
}

// Explore opens the destination, blanks and all, or the working directory when the
// job extracted there.
TEST_F(ExtractionDialogsTest, ExploreClosesTheWindowAndOpensTheDestination) {
  const std::string destination = PathOf("my files/new one") + "/";
  Form4& form = session.Form4Window;
  for (const std::string& box : {destination, std::string()}) {
    SCOPED_TRACE(box);
    FakeOpener opener;
    session.Form1.Combo1.text = box;
    form.Load(session);
    form.Command1Caption = "OK";
    form.Command2Caption = "Explore";
    mainWindow.calls.clear();
    form.Command2_Click(session);
    EXPECT_FALSE(form.loaded);
    EXPECT_TRUE(mainWindow.enabled);
    EXPECT_FALSE(mainWindow.busy);
    EXPECT_EQ(mainWindow.Count("Show"), 1) << "the main window gets the focus";
    EXPECT_EQ(opener.WaitForArguments(),
              std::vector<std::string>{box.empty() ? std::filesystem::current_path().string()
                                                   : destination});
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
  }
}

TEST_F(ExtractionDialogsTest, ExploreSaysWhenTheFolderCannotBeOpened) {
  struct Row {
    const char* name;
    void (FakeOpener::*breakOpener)();
  };
  const Row rows[] = {
      {"no file manager set up", &FakeOpener::FindNothing},
      {"no opener installed", &FakeOpener::Remove},
  };
  const std::string destination = PathOf("my files") + "/";
  session.Form1.Combo1.text = destination;
  Form4& form = session.Form4Window;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeOpener opener;
    (opener.*row.breakOpener)();
    dialogs.messages.clear();
    form.Load(session);
    form.Command1Caption = "OK";
    form.Command2Caption = "Explore";
    form.Command2_Click(session);
    EXPECT_FALSE(form.loaded);
    EXPECT_TRUE(mainWindow.enabled);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const RecordedMessage& message = dialogs.messages[0];
    EXPECT_EQ(message.text, "Tessaly could not open the folder \"" + destination + "\".");
    EXPECT_EQ(message.buttons, MsgButtons::OK);
    EXPECT_EQ(message.icon, MsgIcon::Exclamation);
    EXPECT_EQ(message.title, "Oops!");
  }
}

TEST_F(ExtractionDialogsTest, ClosingTheStatusWindowFocusesOnlyAVisibleMainWindow) {
  Form4& form = session.Form4Window;
  mainWindow.visible = false;
  form.Load(session);
  form.Unload(session);
  EXPECT_EQ(mainWindow.Count("Show"), 0);
  EXPECT_TRUE(mainWindow.enabled);
}

TEST_F(ExtractionDialogsTest, ANewDestinationChosenInTheConfirmationLastsBeyondTheJob) {
  std::filesystem::create_directory(PathOf("old"));
  session.Form1.Combo1.text = PathOf("old");
  session.job.DropMode = true;
  session.job.ArchiveType = "zip";
  session.job.ConfirmFromDriver = true;
  Form3 form;
  form.Load(session);

  DestinationAnswer answer;
  answer.ChosenDestination = PathOf("new") + "/";
  answer.Check1 = true;
  dialogs.destinationAnswers = {answer, DestinationAnswer{}};
  form.Command3_Click(session);
  ASSERT_EQ(dialogs.destinationRequests.size(), 1u);
  EXPECT_TRUE(dialogs.destinationRequests[0].showPerArchiveCheck);
  EXPECT_EQ(dialogs.destinationRequests[0].startFolder, PathOf("old"));
  EXPECT_EQ(session.Form1.Combo1.text, PathOf("new") + "/");
  EXPECT_TRUE(session.job.PerArchiveFolder);

  // The new folder does not exist yet: the tree starts at the browsed folder.
  form.Command3_Click(session);
  EXPECT_EQ(dialogs.destinationRequests[1].startFolder, session.Form1.CurrentFolder);
  EXPECT_EQ(session.Form1.Combo1.text, PathOf("new") + "/") << "a cancelled choice changes nothing";
  EXPECT_TRUE(session.job.PerArchiveFolder);

  form.Command1_Click(session);
  EXPECT_FALSE(session.job.ConfirmFromDriver);
  EXPECT_FALSE(session.job.ConfirmCancelled);
}

}  // namespace
}  // namespace tessaly::testing
