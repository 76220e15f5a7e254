// Delete File(s) and Delete Folder: the confirmation names what goes; where the Trash
// refuses, the user decides whether it is deleted permanently.
#include "shell/file_delete.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using testing::ScriptedDialogs;
using testing::TreeOf;
using testing::WriteFileText;

TEST(FileDeleteTest, ConfirmationThenTrashOrPermanentDeletionAsAnswered) {
  struct Row {
    const char* name;
    bool trashWorks;
    std::vector<MsgAnswer> answers;
    DeleteOutcome outcome;
    Names trashed;
    Names left;
  };
  using A = MsgAnswer;
  const DeleteOutcome done = DeleteOutcome::Done, failed = DeleteOutcome::Failed;
  const Names all{"a", "dir/", "dir/link", "outside"};
  const Row rows[] = {
      {"to the trash", true, {A::Yes}, done, {"a", "dir"}, {"outside"}},
      {"confirmation declined", true, {A::No}, DeleteOutcome::Declined, {}, all},
      {"no trash, delete permanently", false, {A::Yes, A::Yes, A::Yes}, done, {}, {"outside"}},
      {"no trash, keep one", false, {A::Yes, A::No, A::Yes}, failed, {}, {"a", "outside"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TempFolder temp;
    const std::string root = temp.path().string() + "/";
    WriteFileText(root + "a", "a");
    WriteFileText(root + "outside", "kept");
    fs::create_directories(root + "dir");
    // Deleting the folder takes the link, never what it points to.
    fs::create_symlink(root + "outside", root + "dir/link");
    ScriptedDialogs dialogs;
    dialogs.messageAnswers.assign(row.answers.begin(), row.answers.end());
    Names trashed;
    const TrashCall trash = [&](const std::string& path) {
      if (!row.trashWorks) return false;
      trashed.push_back(fs::path(path).filename().string());
      fs::remove_all(path);
      return true;
    };
    EXPECT_EQ(DeleteToTrash(DeleteKind::Files, {root + "a", root + "dir/"}, dialogs, trash),
              row.outcome);
    EXPECT_EQ(trashed, row.trashed);
    EXPECT_EQ(TreeOf(root), row.left);
    ASSERT_EQ(dialogs.messages.size(), row.answers.size());
    EXPECT_EQ(dialogs.messages[0].text,
              "Are you sure you want to move these 2 items to the Trash?\n\n" + root + "a\n" +
                  root + "dir");
    EXPECT_EQ(dialogs.messages[0].title, "Confirm Multiple File Delete");
    if (!row.trashWorks) {
      EXPECT_EQ(dialogs.messages[1].text, "\"" + root +
                                              "a\" cannot be moved to the Trash. Do you want to "
                                              "delete it permanently?");
      EXPECT_EQ(dialogs.messages[1].defaultButton, 2);
    }
  }
}

}  // namespace
}  // namespace tessaly
