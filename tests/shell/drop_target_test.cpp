// The one tray icon of the main window and the drop target, and drops during a job.
#include "shell/drop_target.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

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

// A drop while a job runs would replace the running job's archives and start a second
// job inside it: it is refused with a message, and the job ends with its own archives.
TEST_F(DestinationJobTest, ADropDuringAJobIsRefused) {
  WriteZip(PathOf("a.zip"), {{"a.txt", "alpha"}});
  WriteZip(PathOf("b.zip"), {{"b.txt", "bravo"}});
  int refusals = 0;
  pump.meanwhile = [&] {
    if (!session.status.loaded || refusals > 0) return;
    ++refusals;
    ExtractDroppedOnTarget(session, {PathOf("b.zip")});
  };
  ExtractOne(PathOf("a.zip"));
  pump.meanwhile = nullptr;
  const std::string refusal =
      "Tessaly is still extracting files. Please wait until that job has finished, or cancel "
      "it, before you start another one or change its destination.";
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{refusal});
  EXPECT_EQ(session.status.archiveLabel.rfind(kFinished, 0), 0u) << session.status.archiveLabel;
  EXPECT_TRUE(std::filesystem::exists(Out("a.txt")));
  EXPECT_FALSE(std::filesystem::exists(Out("b.txt")));
  // Once it has ended, the next drop is a job of its own.
  ExtractDroppedOnTarget(session, {PathOf("b.zip")});
  EXPECT_TRUE(std::filesystem::exists(Out("b.txt")));
}

}  // namespace
}  // namespace tessaly::testing
