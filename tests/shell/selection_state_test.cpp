// The paths a selection collects. Which commands it offers is driven through the main
// window's tests.
#include "shell/selection_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/session.h"
#include "shell/browser_state.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

TEST(SelectionStateTest, PathsGetOneSeparatorAfterTheFolder) {
  testing::ScriptedDialogs dialogs;
  testing::CountingPump pump;
  Session session{dialogs, pump};
  BrowserState browser;
  session.mainWindow.currentFolder = "/home/u";
  CollectSelection(session, browser, {{"a b.zip", ""}});
  EXPECT_EQ(browser.selectedFolderPath, "/home/u/");
  EXPECT_EQ(session.job.selectedFiles, std::vector<std::string>{"/home/u/a b.zip"});
}

}  // namespace
}  // namespace tessaly
