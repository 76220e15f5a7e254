// The confirmation dialog and the Status window as the windows drive them.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_fixture.h"

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
  EXPECT_TRUE(form.loaded) << "Cancel leaves the window open";

  form.Command1Caption = "OK";
  session.job.StatusMinimised = true;
  form.Command1_Click(session);
  EXPECT_FALSE(form.loaded);
  EXPECT_FALSE(session.job.StatusMinimised);
  EXPECT_TRUE(mainWindow.enabled);
  EXPECT_FALSE(mainWindow.busy);
}

TEST_F(ExtractionDialogsTest, FromTheDropTargetBackgroundIsDisabled) {
  session.job.DropMode = true;
  session.job.CancelExtract = true;
  session.Form4Window.Load(session);
  EXPECT_FALSE(session.Form4Window.Command2Enabled);
  EXPECT_FALSE(session.job.CancelExtract);
}

TEST_F(ExtractionDialogsTest, EveryStatusChangeIsShownAndTheBarStaysInRange) {
  CountingStatusView view;
  Form4& form = session.Form4Window;
  form.view = &view;
  form.SetLblarc("a");
  form.SetLblmsg("b");
  form.SetMax(5);
  form.SetValue(9);
  EXPECT_EQ(form.pb2Value, 5);
  form.SetValue(-1);
  EXPECT_EQ(form.pb2Value, 0);
  EXPECT_EQ(view.refreshes, 5);
}

TEST_F(ExtractionDialogsTest, ConfirmationOffersANewDestinationOnlyFromTheDropTarget) {
  session.Form1.Combo1.text = PathOf("old");
  Form3 form;
  form.Check1 = false;
  form.Load(session);
  EXPECT_TRUE(form.Check1) << "ticked every time it opens";
  EXPECT_FALSE(form.Command3Visible);

  session.job.DropMode = true;
  form.Load(session);
  EXPECT_TRUE(form.Command3Visible);
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
  EXPECT_EQ(form.Label1, std::string(kForm3Label1Lead) + "\n\n" + PathOf("new") + "/");
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
