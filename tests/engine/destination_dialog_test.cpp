// The destination dialog's model on real folders, with a tree double that behaves like the folder
// tree: it selects existing folders only and reports every new selection to the model. Up and the
// real tree are the destination window's tests' part.
#include "engine/destination_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/session.h"
#include "support/files.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using testing::TempFolder;

std::string Slashed(const fs::path& path) {
  return path.string() + "/";
}

class TreeDouble : public FolderTreeControl {
 public:
  DestinationModel* dialog = nullptr;
  std::string desktop;
  TreeNodeKind kind = TreeNodeKind::Folder;
  std::string path;
  int rereads = 0;

  bool SelectFolder(const std::string& folder) override {
    if (folder.empty() || !fs::is_directory(folder)) return false;
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    Select(TreeNodeKind::Folder, trimmed == "/" ? trimmed : trimmed + "/");
    return true;
  }
  TreeNodeKind SelectedKind() const override { return kind; }
  std::string SelectedPath() const override { return path; }
  std::string DesktopFolder() const override { return desktop; }
  void SelectParent() override {}
  void Reread() override { ++rereads; }

  void Select(TreeNodeKind newKind, const std::string& newPath) {
    kind = newKind;
    path = newPath;
    dialog->SelectionChanged(kind, path);
  }
};

class DestinationDialogTest : public ::testing::Test {
 protected:
  DestinationDialogTest() {
    dialogs.session = &session;
    tree.dialog = &dialog;
    fs::create_directories(temp.path() / "Desktop");
    fs::create_directories(temp.path() / "Data");
    tree.desktop = Slashed(temp.path() / "Desktop");
  }

  void Load(const std::string& caption = kDestinationCaption, bool enlarged = false) {
    DestinationRequest request;
    request.caption = caption;
    request.showPerArchiveCheck = enlarged;
    dialog.Load(session, request);
  }

  std::string Data() const { return Slashed(temp.path() / "Data"); }

  TempFolder temp;
  ScriptedDialogs dialogs;
  testing::CountingPump pump;
  Session session{dialogs, pump};
  TreeDouble tree;
  DestinationModel dialog{tree};
};

TEST_F(DestinationDialogTest, LoadClearsTheChoiceAndPointsTheTreeWhereAsked) {
  session.job.chosenDestination = "/old/";
  session.job.confirmFromDriver = true;
  session.mainWindow.currentFolder = Data();
  Load("Copy to...", true);

  EXPECT_EQ(session.job.chosenDestination, "");
  EXPECT_EQ(dialog.caption, "Copy to...");
  EXPECT_TRUE(dialog.perArchiveFolderVisible);
  EXPECT_FALSE(dialog.perArchiveFolder);
  EXPECT_EQ(dialog.chosenFolder, Data());
  EXPECT_TRUE(dialog.okEnabled);

  DestinationRequest request;
  request.startFolder = tree.desktop;
  dialog.Load(session, request);
  EXPECT_EQ(dialog.chosenFolder, tree.desktop);
}

// Nothing selected yet: OK must not hand back "/" as the destination.
TEST_F(DestinationDialogTest, EachTreeNodeShowsItsFolderAndOffersOkAndNewOnlyForOne) {
  Load();
  EXPECT_EQ(dialog.chosenFolder, "");
  EXPECT_FALSE(dialog.okEnabled);
  EXPECT_FALSE(dialog.newFolderEnabled);
  dialog.OkClicked(session);
  dialog.NewFolderClicked(session);
  EXPECT_FALSE(dialog.closed);
  EXPECT_EQ(session.job.chosenDestination, "");
  EXPECT_TRUE(dialogs.inputs.empty());

  tree.Select(TreeNodeKind::Folder, "/");
  EXPECT_EQ(dialog.chosenFolder, "/");
  tree.Select(TreeNodeKind::ComputerRoot, "");
  EXPECT_EQ(dialog.chosenFolder, "");
  EXPECT_FALSE(dialog.okEnabled);
  EXPECT_FALSE(dialog.newFolderEnabled);

  tree.Select(TreeNodeKind::DesktopRoot, "");
  EXPECT_EQ(dialog.chosenFolder, tree.desktop);
  EXPECT_TRUE(dialog.okEnabled);
  EXPECT_TRUE(dialog.newFolderEnabled);
  dialog.OkClicked(session);
  EXPECT_TRUE(dialog.closed);
  EXPECT_EQ(session.job.chosenDestination, tree.desktop);
  EXPECT_EQ(dialog.Answer(session).chosenDestination, tree.desktop);
}

// New makes a name, a full path or an existing name, nothing for nothing, and refuses a
// path it cannot make.
TEST_F(DestinationDialogTest, NewMakesANameFullPathOrExistingNameAndNothingForNothing) {
  fs::create_directories(temp.path() / "Data" / "Old");
  const fs::path elsewhere = temp.path() / "Elsewhere";
  Load();
  ASSERT_TRUE(tree.SelectFolder(Data()));
  dialogs.inputAnswers = {"", "Reports", elsewhere.string(), "Old"};
  dialog.NewFolderClicked(session);
  EXPECT_EQ(tree.rereads, 0);
  EXPECT_EQ(dialog.chosenFolder, Data());
  ASSERT_EQ(dialogs.inputs.size(), 1u);
  EXPECT_EQ(dialogs.inputs[0].title, "Create New Folder");
  EXPECT_EQ(dialogs.inputs[0].echo, InputEcho::Normal);
  EXPECT_EQ(dialogs.inputs[0].prompt, "Currently selected folder:\n\n" + Data() +
                                          "\n\nType a name for the folder in the box below.");

  dialog.NewFolderClicked(session);
  EXPECT_EQ(tree.path, Data() + "Reports/");
  EXPECT_EQ(dialog.chosenFolder, Data() + "Reports/");

  dialog.NewFolderClicked(session);
  EXPECT_EQ(dialog.chosenFolder, Slashed(elsewhere));

  ASSERT_TRUE(tree.SelectFolder(Data()));
  dialog.NewFolderClicked(session);
  EXPECT_EQ(dialog.chosenFolder, Data() + "Old/");
  EXPECT_EQ(tree.rereads, 3);
  EXPECT_TRUE(dialogs.messages.empty());

  // A folder whose path is missing, or goes through a file, cannot be made.
  testing::WriteFileText(temp.path() / "Data" / "notes.txt", "x");
  for (const std::string typed : {"a/b", "notes.txt/inner"}) {
    SCOPED_TRACE(typed);
    ASSERT_TRUE(tree.SelectFolder(Data()));
    dialogs.messages.clear();
    dialogs.inputAnswers.push_back(typed);
    dialog.NewFolderClicked(session);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Could not create the folder \"" + Data() + typed +
                  "\". Please use a valid drive letter and remember that the following "
                  "characters are not allowed in a folder name: \\ / : * ? \" < > |");
    EXPECT_EQ(dialogs.messages[0].title, "Oops!");
    EXPECT_EQ(dialog.chosenFolder, Data());
  }
  EXPECT_EQ(testing::TreeOf(temp.path()),
            (std::vector<std::string>{"Data/", "Data/Old/", "Data/Reports/", "Data/notes.txt",
                                      "Desktop/", "Elsewhere/"}));
}

TEST_F(DestinationDialogTest, OnlyExtractToReportsThePerArchiveBox) {
  const struct {
    const char* caption;
    bool before;
    bool ticked;
    bool after;
  } rows[] = {
      {"Extract to...", false, true, true},
      {"Extract to...", true, false, false},
      {"Copy to...", true, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.caption) + (row.ticked ? " ticked" : " clear"));
    session.job.perArchiveFolder = row.before;
    Load(row.caption, true);
    ASSERT_TRUE(tree.SelectFolder(Data()));
    dialog.perArchiveFolder = row.ticked;
    dialog.OkClicked(session);
    EXPECT_EQ(session.job.perArchiveFolder, row.after);
    EXPECT_EQ(session.job.chosenDestination, Data());
    EXPECT_EQ(dialog.Answer(session).perArchiveFolder, row.after);
  }
}

}  // namespace
}  // namespace tessaly
