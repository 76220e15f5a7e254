// The enable table: which file commands a selection offers, the count in the status
// panel and the paths it collects. The main window's tests check the binding.
#include "shell/selection_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/session.h"
#include "shell/browser_state.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

using Names = std::vector<std::string>;

// The names of the commands that are on, in the menu's order.
Names EnabledCommands(const SelectionCommands& c) {
  const std::pair<const char*, bool> all[] = {
      {"mnuEx", c.extractMenu},      {"fpopEx", c.extractPopup}, {"mnuZC", c.contentsMenu},
      {"fpopZC", c.contentsPopup},   {"mnuSi", c.setInfoMenu},   {"fpopSI", c.setInfoPopup},
      {"mnulaunch", c.launchMenu},   {"fpopLa", c.launchPopup},  {"mnuProp", c.propertiesMenu},
      {"fpopPr", c.propertiesPopup}, {"mnuren", c.renameMenu},   {"fpopRen", c.renamePopup},
      {"mnuCopy", c.copyMenu},       {"fpopCpy", c.copyPopup},   {"mnuMov", c.moveMenu},
      {"fpopMov", c.movePopup},      {"mnuDel", c.deleteMenu},   {"fpopDe", c.deletePopup}};
  Names on;
  for (const auto& [name, enabled] : all) {
    if (enabled) on.push_back(name);
  }
  return on;
}

ListItemRef FileItem(const std::string& name) {
  return {name, ""};
}
ListItemRef FolderItem(const std::string& name) {
  return {name, "/data/" + name};
}

const Names kFileCommands = {"mnuCopy", "fpopCpy", "mnuMov", "fpopMov", "mnuDel", "fpopDe"};

Names With(Names head, const Names& tail = kFileCommands) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class SelectionStateTest : public ::testing::Test {
 protected:
  SelectionStateTest() { session.mainWindow.currentFolder = "/data/"; }

  void Select(const std::vector<ListItemRef>& items) {
    UpdateSelectionState(session, browser, items);
  }

  testing::ScriptedDialogs dialogs;
  testing::CountingPump pump;
  Session session{dialogs, pump};
  BrowserState browser;
};

TEST_F(SelectionStateTest, EachKindOfSelectionOffersItsCommands) {
  struct Case {
    const char* name;
    std::vector<ListItemRef> items;
    Names enabled;
    const char* panel;
    bool perArchiveFolderEnabled;
  };
  const Case cases[] = {
      {"one file",
       {FileItem("a.zip")},
       With({"mnuEx", "fpopEx", "mnuZC", "fpopZC", "mnuSi", "fpopSI", "mnulaunch", "fpopLa",
             "mnuProp", "fpopPr", "mnuren", "fpopRen"}),
       "1 File(s) Selected.",
       true},
      {"one folder",
       {FolderItem("backup.zip")},
       With({"mnulaunch", "fpopLa", "mnuProp", "fpopPr", "mnuren", "fpopRen"}),
       "1 File(s) Selected.",
       true},
      {"several of one type",
       {FileItem("a.zip"), FileItem("B.ZIP"), FileItem("c.zip")},
       With({"mnuEx", "fpopEx", "mnuSi", "fpopSI"}),
       "3 File(s) Selected.",
       true},
      {"a zip first, then a rar",
       {FileItem("a.zip"), FileItem("b.rar")},
       With({"mnuEx", "fpopEx"}),
       "2 File(s) Selected.",
       true},
      {"a rar first",
       {FileItem("x.rar"), FolderItem("sub"), FileItem("y.ace")},
       kFileCommands,
       "3 File(s) Selected.",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Select(c.items);
    EXPECT_EQ(EnabledCommands(browser.commands), c.enabled);
    EXPECT_EQ(browser.selectionStatus, c.panel);
    EXPECT_EQ(browser.perArchiveFolderEnabled, c.perArchiveFolderEnabled);
    EXPECT_EQ(session.job.selectedCount, static_cast<int>(c.items.size()));
  }
  EXPECT_EQ(session.job.selectedFiles, (Names{"/data/x.rar", "/data/sub", "/data/y.ace"}));
}

TEST_F(SelectionStateTest, PerArchiveFolderIsOfferedForAZipFirstAndClearedOtherwise) {
  session.mainWindow.perArchiveFolder = true;
  Select({FileItem("a.zip")});
  EXPECT_TRUE(session.mainWindow.perArchiveFolder) << "offered, not ticked or unticked";
  Select({FileItem("b.rar"), FileItem("a.zip")});
  EXPECT_FALSE(session.mainWindow.perArchiveFolder);
}

TEST_F(SelectionStateTest, NoSelectionLeavesThePopUpAsItWasAndNoPathsBehind) {
  session.mainWindow.perArchiveFolder = true;
  Select({FileItem("a.zip")});
  Select({});
  EXPECT_EQ(EnabledCommands(browser.commands),
            (Names{"fpopEx", "fpopSI", "fpopLa", "fpopPr", "fpopCpy", "fpopMov", "fpopDe"}));
  EXPECT_EQ(browser.selectionStatus, "0 File(s) Selected.");
  EXPECT_EQ(session.job.selectedCount, 0);
  EXPECT_TRUE(session.job.selectedFiles.empty());
  EXPECT_FALSE(session.mainWindow.perArchiveFolder);
  EXPECT_FALSE(browser.perArchiveFolderEnabled);
}

TEST_F(SelectionStateTest, PathsGetOneSeparatorAfterTheFolder) {
  session.mainWindow.currentFolder = "/home/u";
  CollectSelection(session, browser, {FileItem("a b.zip")});
  EXPECT_EQ(browser.selectedFolderPath, "/home/u/");
  EXPECT_EQ(session.job.selectedFiles, (Names{"/home/u/a b.zip"}));
}

}  // namespace
}  // namespace tessaly
