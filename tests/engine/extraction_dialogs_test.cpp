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
  StatusModel& status = session.status;
  status.messageLabel = "left over";
  status.progressValue = 7;
  status.backgroundButtonVisible = false;
  status.Load(session);
  EXPECT_TRUE(status.loaded);
  EXPECT_EQ(status.archiveLabel, "Preparing to extract files...");
  EXPECT_EQ(status.messageLabel, "");
  EXPECT_EQ(status.progressMax, 100);
  EXPECT_EQ(status.progressValue, 0);
  EXPECT_EQ(status.cancelButtonCaption, "Cancel");
  EXPECT_EQ(status.backgroundButtonCaption, "Background");
  EXPECT_TRUE(status.backgroundButtonEnabled);
  EXPECT_TRUE(status.backgroundButtonVisible);
  EXPECT_FALSE(mainWindow.enabled);
  EXPECT_TRUE(mainWindow.busy);

  status.CancelButtonClicked(session);
  EXPECT_TRUE(session.job.cancelExtract);
  EXPECT_EQ(session.job.extractResult, 1);

  status.cancelButtonCaption = "OK";
  session.job.statusMinimised = true;
  status.CancelButtonClicked(session);
  EXPECT_FALSE(status.loaded);
  EXPECT_FALSE(session.job.statusMinimised);
  EXPECT_TRUE(mainWindow.enabled);
  EXPECT_FALSE(mainWindow.busy);
}

TEST_F(ExtractionDialogsTest, EveryStatusChangeIsShownAndTheBarStaysInRange) {
  CountingStatusView view;
  StatusModel& status = session.status;
  status.view = &view;
  status.SetMax(5);
  status.SetValue(9);
  EXPECT_EQ(status.progressValue, 5);
  status.SetValue(-1);
  EXPECT_EQ(status.progressValue, 0);
  EXPECT_EQ(view.refreshes, 3);
}

TEST_F(ExtractionDialogsTest, BackgroundHidesTheStatusUntilTheMainWindowIsActivated) {
  StatusModel& status = session.status;
  mainWindow.windowState = kWindowMaximized;
  status.Load(session);
  MainWindowActivated(session);
  EXPECT_FALSE(mainWindow.enabled) << "activation without Background changes nothing";
  EXPECT_EQ(mainWindow.Count("SetWindowState(0)") + mainWindow.Count("SetWindowState(2)"), 0);

  status.BackgroundButtonClicked(session);
  EXPECT_FALSE(status.visible);
  EXPECT_TRUE(status.loaded);
  EXPECT_TRUE(mainWindow.enabled);
  EXPECT_EQ(mainWindow.windowState, kWindowMinimized);
  EXPECT_TRUE(session.job.statusMinimised);
  EXPECT_EQ(session.job.savedWindowState, kWindowMaximized);
  EXPECT_FALSE(session.job.cancelExtract) << "the job runs on in the background";

  MainWindowActivated(session);
  EXPECT_TRUE(status.visible);
  EXPECT_EQ(mainWindow.windowState, kWindowMaximized);

  mainWindow.calls.clear();
  MainWindowActivated(session);
  EXPECT_TRUE(mainWindow.calls.empty()) << "only the first activation brings the window back";
}

TEST_F(ExtractionDialogsTest, FromTheDropTargetBackgroundIsDisabledAndDoesNothing) {
  session.job.dropMode = true;
  session.job.cancelExtract = true;
  StatusModel& status = session.status;
  status.Load(session);
  EXPECT_FALSE(status.backgroundButtonEnabled);
  EXPECT_FALSE(session.job.cancelExtract);
  status.BackgroundButtonClicked(session);
  EXPECT_TRUE(status.visible);
  EXPECT_FALSE(session.job.statusMinimised);
  EXPECT_EQ(mainWindow.windowState, kWindowNormal);
}

// Explore closes the window and opens the destination, blanks and all, or the working
// directory when the job extracted there; a folder that cannot be opened is said so.
TEST_F(ExtractionDialogsTest, ExploreClosesTheWindowAndOpensTheDestination) {
  const std::string destination = PathOf("my files/new one") + "/";
  const struct {
    const char* name;
    std::string box;
    void (FakeOpener::*breakOpener)();
    std::string opened;  // "" when the folder cannot be opened
  } rows[] = {
      {"destination", destination, nullptr, destination},
      {"working directory", "", nullptr, std::filesystem::current_path().string()},
      {"no file manager set up", destination, &FakeOpener::FindNothing, ""},
      {"no opener installed", destination, &FakeOpener::Remove, ""},
  };
  StatusModel& status = session.status;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakeOpener opener;
    if (row.breakOpener != nullptr) (opener.*row.breakOpener)();
    dialogs.messages.clear();
    session.mainWindow.destinationBox.text = row.box;
    status.Load(session);
    status.cancelButtonCaption = "OK";
    status.backgroundButtonCaption = "Explore";
    mainWindow.calls.clear();
    status.BackgroundButtonClicked(session);
    EXPECT_FALSE(status.loaded);
    EXPECT_TRUE(mainWindow.enabled);
    EXPECT_FALSE(mainWindow.busy);
    EXPECT_EQ(mainWindow.Count("Show"), 1) << "the main window gets the focus";
    if (!row.opened.empty()) {
      EXPECT_EQ(opener.WaitForArguments(), std::vector<std::string>{row.opened});
      EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
      continue;
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const RecordedMessage& message = dialogs.messages[0];
    EXPECT_EQ(message.text, "Tessaly could not open the folder \"" + destination + "\".");
    EXPECT_EQ(message.buttons, MsgButtons::OK);
    EXPECT_EQ(message.icon, MsgIcon::Exclamation);
    EXPECT_EQ(message.title, "Oops!");
  }
}

TEST_F(ExtractionDialogsTest, ClosingTheStatusWindowFocusesOnlyAVisibleMainWindow) {
  StatusModel& status = session.status;
  mainWindow.visible = false;
  status.Load(session);
  status.Unload(session);
  EXPECT_EQ(mainWindow.Count("Show"), 0);
  EXPECT_TRUE(mainWindow.enabled);
}

TEST_F(ExtractionDialogsTest, ANewDestinationChosenInTheConfirmationLastsBeyondTheJob) {
  std::filesystem::create_directory(PathOf("old"));
  session.mainWindow.destinationBox.text = PathOf("old");
  session.job.dropMode = true;
  session.job.archiveType = "zip";
  session.job.confirmFromDriver = true;
  ConfirmationModel confirmation;
  confirmation.Load(session);

  DestinationAnswer answer;
  answer.chosenDestination = PathOf("new") + "/";
  answer.perArchiveFolder = true;
  dialogs.destinationAnswers = {answer, DestinationAnswer{}};
  confirmation.NewDestinationClicked(session);
  ASSERT_EQ(dialogs.destinationRequests.size(), 1u);
  EXPECT_TRUE(dialogs.destinationRequests[0].showPerArchiveCheck);
  EXPECT_EQ(dialogs.destinationRequests[0].startFolder, PathOf("old"));
  EXPECT_EQ(session.mainWindow.destinationBox.text, PathOf("new") + "/");
  EXPECT_TRUE(session.job.perArchiveFolder);

  // The new folder does not exist yet: the tree starts at the browsed folder.
  confirmation.NewDestinationClicked(session);
  EXPECT_EQ(dialogs.destinationRequests[1].startFolder, session.mainWindow.currentFolder);
  EXPECT_EQ(session.mainWindow.destinationBox.text, PathOf("new") + "/")
      << "a cancelled choice changes nothing";
  EXPECT_TRUE(session.job.perArchiveFolder);

  confirmation.GoClicked(session);
  EXPECT_FALSE(session.job.confirmFromDriver);
  EXPECT_FALSE(session.job.confirmCancelled);
}

}  // namespace
}  // namespace tessaly::testing
