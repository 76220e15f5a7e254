// The confirmation dialog as its window drives it. What the confirmation shows is the
// confirmation window's tests' part.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_fixture.h"

namespace tessaly::testing {
namespace {

using ExtractionDialogsTest = EngineTest;

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
