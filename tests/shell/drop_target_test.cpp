// Drop-target mode and the one tray icon.
#include "shell/drop_target.h"

#include <gtest/gtest.h>

#include <string>

#include "support/engine_fixture.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

class DropTargetTest : public EngineTest {};

TEST_F(DropTargetTest, ModeSetsTheCaptionAndADroppedJobRunsInDropMode) {
  session.mainWindow.currentFolder = "/home/user/downloads/";
  EXPECT_EQ(EnterDropTargetMode(session), "Tessaly - Drop Target Mode");
  EXPECT_TRUE(session.job.dropMode);
  EXPECT_EQ(LeaveDropTargetMode(session), "Tessaly - /home/user/downloads/");
  EXPECT_FALSE(session.job.dropMode);

  SetSetting("General", "Show confirmation", "1");
  session.mainWindow.destinationBox.text = Root();
  WriteZip(PathOf("b.zip"), {{"b.txt", "2"}});
  WriteZip(PathOf("a.zip"), {{"a.txt", "1"}});
  dialogs.confirmAnswers = {ConfirmAnswer::Cancel};
  ExtractDroppedOnTarget(session, {PathOf("b.zip"), PathOf("a.zip")});
  // The confirmation offers the drop target's new-folder choice: the job ran in drop mode.
  ASSERT_EQ(dialogs.confirmNewDestinationVisible.size(), 1u);
  EXPECT_TRUE(dialogs.confirmNewDestinationVisible[0]);
  EXPECT_EQ(session.job.callingWindow, CallingWindow::DropTarget);
  EXPECT_EQ(session.job.selectedFiles,
            (std::vector<std::string>{PathOf("b.zip"), PathOf("a.zip")}));
  EXPECT_FALSE(session.job.dropMode);
}

TEST(TrayIconTest, OneIconReportsToItsOwnerAndOpensItsMenu) {
  TrayState tray;
  EXPECT_TRUE(AddTrayIcon(tray, TrayOwner::DropTarget, kDropTargetCaption));
  EXPECT_EQ(tray.tip, "Tessaly - Drop Target Mode");
  // The drop target goes to the tray while its icon from Shrink is still there.
  EXPECT_FALSE(AddTrayIcon(tray, TrayOwner::DropTarget, "Tessaly - /tmp/"));
  EXPECT_FALSE(AddTrayIcon(tray, TrayOwner::MainWindow, "Tessaly - /tmp/"));
  EXPECT_EQ(tray.owner, TrayOwner::DropTarget);
  EXPECT_EQ(tray.tip, "Tessaly - Drop Target Mode");
  EXPECT_FALSE(RemoveTrayIcon(tray, TrayOwner::MainWindow));
  EXPECT_TRUE(RemoveTrayIcon(tray, TrayOwner::DropTarget));
  EXPECT_EQ(tray.owner, TrayOwner::None);
  EXPECT_FALSE(RemoveTrayIcon(tray, TrayOwner::DropTarget));

  const struct {
    TrayOwner owner;
    bool dropTargetVisible;
    const char* menu;
  } menus[] = {{TrayOwner::MainWindow, false, "mnuSystemtray"},
               {TrayOwner::DropTarget, true, "iconpopup"},
               {TrayOwner::DropTarget, false, "syspop"},
               {TrayOwner::None, true, ""}};
  for (const auto& row : menus) {
    EXPECT_EQ(TrayMenuFor(row.owner, row.dropTargetVisible), row.menu);
  }

  const std::string folder = "Tessaly - /home/user/" + std::string(60, 'x');
  const std::string accented = std::string(62, 'a') + "\xC3\xA9\xC3\xA9";  // two "é"
  const struct {
    std::string caption;
    std::string tip;
  } tips[] = {{"Tessaly - /tmp/", "Tessaly - /tmp/"},
              {folder, folder.substr(0, 63)},
              {accented, std::string(62, 'a') + "\xC3\xA9"}};
  for (const auto& row : tips) EXPECT_EQ(TrayTip(row.caption), row.tip);
}

}  // namespace
}  // namespace tessaly::testing
