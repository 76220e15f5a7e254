// The one tray icon of the main window and the drop target.
#include "shell/drop_target.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace tessaly::testing
