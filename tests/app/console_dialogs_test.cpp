#include "platform/console_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "engine/session.h"

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

TEST(ConsoleAnswerLogic, ChoiceByCaptionOrInitialWithoutCase) {
  const std::vector<std::string> captions = {"Yes", "No", "All", "Cancel"};
  const std::pair<std::string, std::optional<size_t>> cases[] = {
      {"", 1},
      {"  ", 1},
      {"y", 0},
      {"Y", 0},
      {" yes ", 0},
      {"NO", 1},
      {"a", 2},
      {"all", 2},
      {"c\r", 3},
      {"cancel", 3},
      {"x", std::nullopt},
      {"ye", std::nullopt},
      {"yes please", std::nullopt},
  };
  for (const auto& [line, expected] : cases) {
    SCOPED_TRACE("line '" + line + "'");
    EXPECT_EQ(ParseChoice(line, captions, 1), expected);
  }
}

TEST(ConsoleAnswerLogic, PromptMarksTheDefault) {
  EXPECT_EQ(ChoicePrompt({"Yes", "No"}, 1), "[Y]es/[N]o (default: No)? ");
  EXPECT_EQ(ChoicePrompt({"Go", "Cancel"}, 0), "[G]o/[C]ancel (default: Go)? ");
  EXPECT_EQ(ButtonCaptions(MsgButtons::YesNoCancel),
            (std::vector<std::string>{"Yes", "No", "Cancel"}));
}

TEST(ConsoleDialogs, MessageBoxPrintsTitleAndExactText) {
  Console console("y\n");
  MessageBoxRequest request = Question(MsgButtons::OK, 1);
  EXPECT_EQ(console.dialogs.MessageBox(request), MsgAnswer::OK);
  EXPECT_NE(console.screen.str().find("Oops!: " + request.text + "\n"), std::string::npos);
  // An OK box asks nothing: the typed answer is left for the next question.
  EXPECT_EQ(console.Unread(), "y\n");
}

TEST(ConsoleDialogs, MessageBoxAnswersFromInputOrDefault) {
  struct Case {
    const char* typed;
    MsgButtons buttons;
    int defaultButton;
    MsgAnswer expected;
  };
  const Case cases[] = {
      {"y\n", MsgButtons::YesNo, 2, MsgAnswer::Yes},
      {"n\n", MsgButtons::YesNo, 1, MsgAnswer::No},
      {"\n", MsgButtons::YesNo, 2, MsgAnswer::No},
      {"", MsgButtons::YesNo, 2, MsgAnswer::No},  // end of input: the default button
      {"", MsgButtons::YesNo, 1, MsgAnswer::Yes},
      {"maybe\nn\n", MsgButtons::YesNo, 1, MsgAnswer::No},  // asked again
      {"maybe\n", MsgButtons::YesNo, 2, MsgAnswer::No},
      {"c\n", MsgButtons::OKCancel, 1, MsgAnswer::Cancel},
      {"", MsgButtons::OKCancel, 1, MsgAnswer::OK},
      {"c\n", MsgButtons::YesNoCancel, 1, MsgAnswer::Cancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed '") + c.typed + "'");
    Console console(c.typed);
    EXPECT_EQ(console.dialogs.MessageBox(Question(c.buttons, c.defaultButton)), c.expected);
  }
}

TEST(ConsoleDialogs, AssumeYesAnswersYesOrOkWithoutReading) {
  ConsoleAnswers yes;
  yes.assumeYes = true;
  Console console("n\n", yes);
  EXPECT_EQ(console.dialogs.MessageBox(Question(MsgButtons::YesNo, 2)), MsgAnswer::Yes);
  EXPECT_EQ(console.dialogs.MessageBox(Question(MsgButtons::OKCancel, 2)), MsgAnswer::OK);
  EXPECT_EQ(console.Unread(), "n\n");
}

TEST(ConsoleDialogs, FileExistsAnswers) {
  const std::pair<std::string, std::string> typed[] = {
      {"y\n", "Yes"}, {"n\n", "No"}, {"a\n", "All"}, {"c\n", "Cancel"}, {"", "No"}, {"\n", "No"}};
  for (const auto& [line, caption] : typed) {
    Console console(line);
    EXPECT_EQ(console.dialogs.FileExists("The file a.txt already exists in the destination "
                                         "folder. Overwrite it?"),
              caption);
    EXPECT_NE(console.screen.str().find("File Exists: The file a.txt already exists"),
              std::string::npos);
  }
  ConsoleAnswers yes;
  yes.assumeYes = true;
  EXPECT_EQ(Console("n\n", yes).dialogs.FileExists("q"), "All");
  ConsoleAnswers keep;
  keep.noOverwrite = true;
  EXPECT_EQ(Console("a\n", keep).dialogs.FileExists("q"), "No");
  keep.assumeYes = true;
  EXPECT_EQ(Console("a\n", keep).dialogs.FileExists("q"), "No");
}

constexpr const char* kZipPasswordPrompt =
    "File is encrypted with a password. Please enter the password to extract.";
constexpr const char* kRarPasswordPrompt =
    "The file a.txt is encrypted with a password. Please enter the password below to extract.";

TEST(ConsoleDialogs, PasswordFromCommandLineOnlyForPasswordBoxes) {
  ConsoleAnswers withPassword;
  withPassword.password = "secret";
  Console console("typed\n", withPassword);
  EXPECT_EQ(console.dialogs.InputBox(kZipPasswordPrompt, "Enter Password", ""), "secret");
  EXPECT_EQ(console.dialogs.InputBox(kRarPasswordPrompt, "Enter Password", ""), "secret");
  EXPECT_EQ(console.dialogs.InputBox("Type a name for the folder.", "Create New Folder", ""),
            "typed");
  EXPECT_NE(console.screen.str().find(std::string("Enter Password: ") + kZipPasswordPrompt),
            std::string::npos);

  ConsoleAnswers noPassword;
  noPassword.password = "";
  Console none("typed\n", noPassword);
  EXPECT_EQ(none.dialogs.InputBox(kZipPasswordPrompt, "Enter Password", ""), "");
  EXPECT_EQ(none.Unread(), "typed\n");

  Console asked("from stdin\n");
  EXPECT_EQ(asked.dialogs.InputBox(kZipPasswordPrompt, "Enter Password", ""), "from stdin");
  EXPECT_EQ(asked.dialogs.InputBox(kZipPasswordPrompt, "Enter Password", ""), "");  // EOF
}

TEST(ConsoleDialogs, DestinationFromOptionOrTyped) {
  const std::string cwd = std::filesystem::current_path().string();
  ConsoleAnswers given;
  given.destination = "/data/out";
  given.perArchiveFolder = true;
  const DestinationAnswer fromOption = Console("", given).dialogs.ChooseDestination({});
  EXPECT_EQ(fromOption.ChosenDestination, "/data/out/");
  EXPECT_TRUE(fromOption.Check1);

  Console typed("out/sub\n");
  const DestinationAnswer answer = typed.dialogs.ChooseDestination({});
  EXPECT_EQ(answer.ChosenDestination, cwd + "/out/sub/");
  EXPECT_FALSE(answer.Check1);
  EXPECT_NE(typed.screen.str().find("Extract to folder: "), std::string::npos);

  EXPECT_EQ(Console("\n").dialogs.ChooseDestination({}).ChosenDestination, "");
  EXPECT_EQ(Console("").dialogs.ChooseDestination({}).ChosenDestination, "");
  EXPECT_EQ(AsDestinationFolder("/a/./b/../c"), "/a/c/");
}

TEST(ConsoleDialogs, ConfirmationRunsTheFormsHandlers) {
  const std::pair<std::string, bool> cases[] = {{"c\n", true}, {"g\n", false}, {"", false}};
  for (const auto& [typed, cancelled] : cases) {
    SCOPED_TRACE("typed '" + typed + "'");
    Console console(typed);
    ConsolePump pump;
    Session session(console.dialogs, pump);
    console.dialogs.Attach(session);
    session.job.ConfirmCancelled = !cancelled;
    Form3 form;
    form.Label1 =
        "You have chosen to extract the contents of the selected archive(s) to the "
        "folder:\n\n/out/";
    console.dialogs.ShowConfirmation(form);
    EXPECT_EQ(session.job.ConfirmCancelled, cancelled);
    EXPECT_NE(console.screen.str().find("Confirmation: " + form.Label1 + "\n" + kForm3Label2),
              std::string::npos);
  }
}

TEST(ConsoleStatusView, PrintsChangedLinesAndThrottlesProgress) {
  std::ostringstream screen;
  auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
  ConsoleStatusView view(screen, std::chrono::milliseconds(250), [&] { return now; });
  Form4 form;
  view.Watch(form);
  form.view = &view;

  form.lblarc = "Processing archive: /a.zip";
  form.pb2Max = 4;
  view.Refresh();
  view.Refresh();  // nothing changed: nothing printed
  form.lblmsg = "Extracting file: a.txt";
  form.pb2Value = 1;
  view.Refresh();
  form.pb2Value = 2;  // no new line and too soon: not printed
  now += std::chrono::milliseconds(100);
  view.Refresh();
  now += std::chrono::milliseconds(200);
  view.Refresh();       // the interval has passed
  form.lblmsg.clear();  // an emptied line prints nothing
  view.Refresh();

  EXPECT_EQ(screen.str(),
            "Processing archive: /a.zip\n"
            "progress 0/4\n"
            "Extracting file: a.txt\n"
            "progress 1/4\n"
            "progress 2/4\n");
}

}  // namespace
}  // namespace tessaly
