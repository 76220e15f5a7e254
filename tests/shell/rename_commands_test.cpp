// Rename File, Rename Folder and Create New Folder on real folders: nothing is ever
// replaced, and a refused rename leaves both names as they were.
#include "shell/rename_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "support/files.h"
#include "support/scripted_dialogs.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

TEST(RenameCommandsTest, RenameInFolderNeverReplacesAndLeavesBothOnFailure) {
  struct Row {
    const char* name;
    const char* newName;
    const char* why;  // "" when the rename goes through
  };
  const Row rows[] = {
      {"free name", "b.zip", ""},
      {"existing file", "c.zip", "Could not rename: \"c.zip\" already exists."},
      {"existing folder", "sub", "Could not rename: \"sub\" already exists."},
      {"slash", "sub/a.zip",
       "Could not rename to \"sub/a.zip\": a name cannot hold \"/\" or be \".\" or \"..\"."},
      {"dot dot", "..",
       "Could not rename to \"..\": a name cannot hold \"/\" or be \".\" or \"..\"."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    WriteFileText(folder.path() / "a.zip", "old a");
    WriteFileText(folder.path() / "c.zip", "old c");
    fs::create_directory(folder.path() / "sub");
    EXPECT_EQ(RenameInFolder(folder.path().string() + "/", "a.zip", row.newName), row.why);
    const char* renamed = *row.why == '\0' ? row.newName : "a.zip";
    EXPECT_EQ(TreeOf(folder.path()), (std::vector<std::string>{renamed, "c.zip", "sub/"}));
    EXPECT_EQ(ReadFileText(folder.path() / "c.zip"), "old c");
  }
}

TEST(RenameCommandsTest, RenameFolderAsksWithTheNameAndRefusesAnExistingOne) {
  struct Row {
    const char* answer;
    std::string returned;  // relative to the folder
    std::vector<std::string> after;
    std::string message;
  };
  const Row rows[] = {
      {"c", "c", {"b/", "c/", "c/x"}, ""},
      {"b", "", {"a/", "a/x", "b/"}, "Could not rename: \"b\" already exists."},
      {"", "", {"a/", "a/x", "b/"}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer);
    TempFolder folder;
    fs::create_directories(folder.path() / "a");
    fs::create_directories(folder.path() / "b");
    WriteFileText(folder.path() / "a" / "x", "x");
    ScriptedDialogs dialogs;
    dialogs.inputAnswers.push_back(row.answer);
    const std::string root = folder.path().string() + "/";
    const std::string renamed = RenameFolderCommand(dialogs, root + "a/");
    EXPECT_EQ(renamed, row.returned.empty() ? "" : root + row.returned);
    ASSERT_EQ(dialogs.inputs.size(), 1u);
    EXPECT_EQ(dialogs.inputs[0].prompt, "Type a new name for \"a\" below.");
    EXPECT_EQ(dialogs.inputs[0].title, "Rename Folder");
    EXPECT_EQ(dialogs.inputs[0].defaultText, "a");
    EXPECT_EQ(TreeOf(folder.path()), row.after);
    if (row.message.empty()) {
      EXPECT_TRUE(dialogs.messages.empty());
    } else {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].text, row.message);
      EXPECT_EQ(dialogs.messages[0].title, "Oops!");
      EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    }
  }
}

TEST(RenameCommandsTest, CreateNewFolderTakesNamesAndFullPathsAndSaysWhenItFails) {
  TempFolder folder;
  const std::string root = folder.path().string();
  fs::create_directory(folder.path() / "there");
  struct Row {
    std::string answer;
    std::string created;  // "" when nothing is made
  };
  const Row rows[] = {
      {"new one", root + "/new one"},
      {root + "/there/full", root + "/there/full"},
      {"there", ""},
      {"no/such/parent", ""},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer);
    ScriptedDialogs dialogs;
    dialogs.inputAnswers.push_back(row.answer);
    EXPECT_EQ(CreateNewFolderCommand(dialogs, root), row.created);
    ASSERT_EQ(dialogs.inputs.size(), 1u);
    EXPECT_EQ(dialogs.inputs[0].title, "Create New Folder");
    EXPECT_EQ(dialogs.inputs[0].prompt, "Currently selected folder:\n\n" + root +
                                            "/\n\nType a name for the folder in the box below.");
    if (!row.created.empty()) {
      EXPECT_TRUE(fs::is_directory(row.created));
      EXPECT_TRUE(dialogs.messages.empty());
    } else if (!row.answer.empty()) {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].text, CouldNotCreateFolderText(root + "/" + row.answer));
      EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
      EXPECT_EQ(dialogs.messages[0].title, "Oops!");
    }
  }
  EXPECT_EQ(TreeOf(folder.path()), (std::vector<std::string>{"new one/", "there/", "there/full/"}));
}

}  // namespace
}  // namespace tessaly::testing
