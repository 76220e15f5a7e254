#include "shell/selection_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/session.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

class SelectionStateTest : public ::testing::Test {
 protected:
  SelectionStateTest() { session.Form1.CurrentFolder = "/data/"; }

  void Select(const std::vector<ListItemRef>& items) { UpdateSelectionState(session, items); }
  const SelectionCommands& Commands() const { return session.Form1.commands; }

  testing::ScriptedDialogs dialogs;
  testing::CountingPump pump;
  Session session{dialogs, pump};
};

ListItemRef FileItem(const std::string& name) {
  return {name, ""};
}
ListItemRef FolderItem(const std::string& name) {
  return {name, "/data/" + name};
}

TEST_F(SelectionStateTest, OneFileEnablesEverythingAndCollectsItsPath) {
  session.Form1.Check1 = true;
  Select({FileItem("a.zip")});
  const SelectionCommands& c = Commands();
  for (bool on : {c.mnuEx, c.fpopEx, c.mnuZC, c.fpopZC, c.mnuSi, c.fpopSI, c.mnulaunch, c.fpopLa,
                  c.mnuProp, c.fpopPr, c.mnuren, c.fpopRen, c.mnuCopy, c.fpopCpy, c.mnuMov,
                  c.fpopMov, c.mnuDel, c.fpopDe}) {
    EXPECT_TRUE(on);
  }
  EXPECT_EQ(session.Form1.pnlProgress, "1 File(s) Selected.");
  EXPECT_EQ(session.job.SelectedFiles, (std::vector<std::string>{"/data/a.zip"}));
  EXPECT_EQ(session.job.SelectedCount, 1);
  EXPECT_TRUE(session.Form1.Check1Enabled);
  EXPECT_TRUE(session.Form1.Check1);  // offered, not ticked or unticked
}

TEST_F(SelectionStateTest, OneFolderCannotBeExtractedOrInspected) {
  Select({FolderItem("backup.zip")});
  const SelectionCommands& c = Commands();
  EXPECT_FALSE(c.mnuEx || c.fpopEx || c.mnuZC || c.fpopZC || c.mnuSi || c.fpopSI);
  EXPECT_TRUE(c.mnulaunch && c.fpopLa && c.mnuProp && c.fpopPr && c.mnuren && c.fpopRen);
  EXPECT_TRUE(c.mnuCopy && c.fpopCpy && c.mnuMov && c.fpopMov && c.mnuDel && c.fpopDe);
  EXPECT_EQ(session.job.SelectedFiles, (std::vector<std::string>{"/data/backup.zip"}));
}

TEST_F(SelectionStateTest, SeveralOfOneTypeMayBeExtractedAndSummarised) {
  Select({FileItem("a.zip"), FileItem("B.ZIP"), FileItem("c.zip")});
  const SelectionCommands& c = Commands();
  EXPECT_EQ(session.Form1.pnlProgress, "3 File(s) Selected.");
  EXPECT_TRUE(c.mnuEx && c.fpopEx && c.mnuSi && c.fpopSI);
  EXPECT_FALSE(c.mnuZC || c.fpopZC || c.mnulaunch || c.fpopLa || c.mnuProp || c.fpopPr ||
               c.mnuren || c.fpopRen);
  EXPECT_TRUE(c.mnuCopy && c.mnuMov && c.mnuDel);
  EXPECT_TRUE(session.Form1.Check1Enabled);
  EXPECT_EQ(session.job.SelectedFiles,
            (std::vector<std::string>{"/data/a.zip", "/data/B.ZIP", "/data/c.zip"}));
}

TEST_F(SelectionStateTest, MixedTypesStopExtractAndSetInfoAndCheck1FollowsTheFirst) {
  Select({FileItem("a.zip"), FileItem("b.rar")});
  EXPECT_FALSE(Commands().mnuEx || Commands().fpopEx || Commands().mnuSi || Commands().fpopSI);
  EXPECT_TRUE(session.Form1.Check1Enabled);

  session.Form1.Check1 = true;
  Select({FileItem("b.rar"), FileItem("a.zip")});
  EXPECT_FALSE(Commands().mnuEx || Commands().mnuSi);
  EXPECT_FALSE(session.Form1.Check1);
  EXPECT_FALSE(session.Form1.Check1Enabled);

  Select({FileItem("x.rar"), FolderItem("sub"), FileItem("y.ace")});
  EXPECT_EQ(session.Form1.pnlProgress, "3 File(s) Selected.");
}

TEST_F(SelectionStateTest, NoSelectionLeavesThePopUpAsItWasAndNoPathsBehind) {
  session.Form1.Check1 = true;
  Select({FileItem("a.zip")});
  Select({});
  const SelectionCommands& c = Commands();
  EXPECT_FALSE(c.mnuEx || c.mnuZC || c.fpopZC || c.mnuSi || c.mnulaunch || c.mnuProp || c.mnuren ||
               c.fpopRen || c.mnuCopy || c.mnuMov || c.mnuDel);
  EXPECT_TRUE(c.fpopEx && c.fpopSI && c.fpopLa && c.fpopPr && c.fpopCpy && c.fpopMov && c.fpopDe);
  EXPECT_EQ(session.Form1.pnlProgress, "0 File(s) Selected.");
  EXPECT_EQ(session.job.SelectedCount, 0);
  EXPECT_TRUE(session.job.SelectedFiles.empty());
  EXPECT_FALSE(session.Form1.Check1);
  EXPECT_FALSE(session.Form1.Check1Enabled);
}

TEST_F(SelectionStateTest, PathsGetOneSeparatorAfterTheFolder) {
  session.Form1.CurrentFolder = "/home/u";
  CollectSelection(session, {FileItem("a b.zip")});
  EXPECT_EQ(session.Form1.SelectedFolderPath, "/home/u/");
  EXPECT_EQ(session.job.SelectedFiles, (std::vector<std::string>{"/home/u/a b.zip"}));
}

}  // namespace
}  // namespace tessaly
