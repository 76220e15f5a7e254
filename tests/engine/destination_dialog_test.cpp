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

  std::string Data() const { return Slashed(temp.path() / "Data"); }

  TempFolder temp;
  ScriptedDialogs dialogs;
  testing::CountingPump pump;
  Session session{dialogs, pump};
  TreeDouble tree;
  DestinationModel dialog{tree};
};

// New makes a name, a full path or an existing name, nothing for nothing, and refuses a
// path it cannot make.
TEST_F(DestinationDialogTest, NewMakesANameFullPathOrExistingNameAndNothingForNothing) {
  fs::create_directories(temp.path() / "Data" / "Old");
  const fs::path elsewhere = temp.path() / "Elsewhere";
  DestinationRequest request;
  request.caption = kDestinationCaption;
  dialog.Load(session, request);
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
                  "\". Please use a valid parent folder and remember that the following "
                  "character is not allowed in a folder name: /");
    EXPECT_EQ(dialogs.messages[0].title, "Oops!");
    EXPECT_EQ(dialog.chosenFolder, Data());
  }
  EXPECT_EQ(testing::TreeOf(temp.path()),
            (std::vector<std::string>{"Data/", "Data/Old/", "Data/Reports/", "Data/notes.txt",
                                      "Desktop/", "Elsewhere/"}));
}

}  // namespace
}  // namespace tessaly
