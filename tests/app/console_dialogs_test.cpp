// The console front end's questions. The answers a run gets from its options and
// standard input are driven through the built program by the extract-program tests.
#include "app/console_dialogs.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tessaly {
namespace {

// A console whose keyboard is a string and whose screen is a string.
struct Console {
  explicit Console(std::string typed, ConsoleAnswers answers = {})
      : in(std::move(typed)), dialogs(std::move(answers), in, screen, false) {}

  std::istringstream in;
  std::ostringstream screen;
  ConsoleDialogs dialogs;

  std::string Unread() {
    std::string rest;
    std::getline(in, rest, '\0');
    return rest;
  }
};

MessageBoxRequest Question(MsgButtons buttons, int defaultButton) {
  MessageBoxRequest request;
  request.text = "The folder \"/x/\" does not exist. Would you like it to be created?";
  request.title = "Oops!";
  request.buttons = buttons;
  request.defaultButton = defaultButton;
  return request;
}

// An OK box asks nothing: the typed answer is left for the next question. Anything
// else is asked again; the end of input takes the default button.
TEST(ConsoleDialogs, MessageBoxAnswersFromInputOrDefault) {
  Console told("y\n");
  EXPECT_EQ(told.dialogs.MessageBox(Question(MsgButtons::OK, 1)), MsgAnswer::OK);
  EXPECT_EQ(told.Unread(), "y\n");
  struct Case {
    const char* typed;
    MsgButtons buttons;
    int defaultButton;
    MsgAnswer expected;
  };
  const Case cases[] = {
      {"maybe\nn\n", MsgButtons::YesNo, 1, MsgAnswer::No},
      {"maybe\n", MsgButtons::YesNo, 2, MsgAnswer::No},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed '") + c.typed + "'");
    Console console(c.typed);
    EXPECT_EQ(console.dialogs.MessageBox(Question(c.buttons, c.defaultButton)), c.expected);
  }
}

constexpr const char* kZipPasswordPrompt =
    "File is encrypted with a password. Please enter the password to extract.";
constexpr const char* kRarPasswordPrompt =
    "The file a.txt is encrypted with a password. Please enter the password below to extract.";

TEST(ConsoleDialogs, PasswordFromCommandLineOnlyForPasswordBoxes) {
  ConsoleAnswers withPassword;
  withPassword.password = "secret";
  Console console("typed\n", withPassword);
  EXPECT_EQ(console.dialogs.InputBox(kZipPasswordPrompt, "Enter Password", "", InputEcho::Secret),
            "secret");
  EXPECT_EQ(console.dialogs.InputBox(kRarPasswordPrompt, "Enter Password", "", InputEcho::Secret),
            "secret");
  EXPECT_EQ(console.dialogs.InputBox("Type a name for the folder.", "Create New Folder", "",
                                     InputEcho::Normal),
            "typed");
  EXPECT_NE(console.screen.str().find(std::string("Enter Password: ") + kZipPasswordPrompt),
            std::string::npos);

  ConsoleAnswers noPassword;
  noPassword.password = "";
  Console none("typed\n", noPassword);
  EXPECT_EQ(none.dialogs.InputBox(kZipPasswordPrompt, "Enter Password", "", InputEcho::Secret), "");
  EXPECT_EQ(none.Unread(), "typed\n");
}

}  // namespace
}  // namespace tessaly
