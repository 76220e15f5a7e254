// The seam on a terminal: questions are printed to an error stream and answered from
// an input stream; the Status window becomes lines of text. Streams are parameters,
// so the answer logic runs in tests without a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "engine/extraction_dialogs.h"
#include "platform/dialogs.h"

namespace tessaly {

struct Session;

// Answers decided on the command line before any question is asked.
struct ConsoleAnswers {
  bool assumeYes = false;                  // Yes/OK to every question, "All" at File Exists, "Go"
  bool noOverwrite = false;                // "No" at File Exists (wins over assumeYes there)
  std::optional<std::string> password;     // answers every secret input box; "" = none
  std::optional<std::string> destination;  // the folder for the destination dialog
  bool perArchiveFolder = false;
};

// One choice among button captions, as typed on a terminal: the caption or its first
// letter, without regard to case; an empty line is the default. nullopt = not a choice.
std::optional<size_t> ParseChoice(const std::string& line, const std::vector<std::string>& captions,
                                  size_t defaultIndex);
// "[Y]es/[N]o (default: No)? "
std::string ChoicePrompt(const std::vector<std::string>& captions, size_t defaultIndex);
std::vector<std::string> ButtonCaptions(MsgButtons buttons);
// A folder as typed, made absolute against the current directory, ending in "/".
std::string AsDestinationFolder(const std::string& typed);

// Prints the Status window's line changes and its progress without flooding: a text
// line whenever a text changes, progress at most once per interval unless a line
// was just printed.
class ConsoleStatusView : public StatusView {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit ConsoleStatusView(std::ostream& out,
                             std::chrono::milliseconds progressInterval = kProgressInterval,
                             Clock now = std::chrono::steady_clock::now);

  void Watch(const StatusModel& status);
  void Refresh() override;

  static constexpr std::chrono::milliseconds kProgressInterval{250};

 private:
  std::ostream& out_;
  std::chrono::milliseconds progressInterval_;
  Clock now_;
  const StatusModel* model_ = nullptr;
  std::string shownArc_;
  std::string shownMsg_;
  int64_t shownValue_ = -1;
  int64_t shownMax_ = -1;
  std::chrono::steady_clock::time_point progressShownAt_{};
};

class ConsoleDialogs : public Dialogs {
 public:
  // prompts: where questions and messages go. inputIsTerminal: hide typed passwords.
  ConsoleDialogs(ConsoleAnswers answers, std::istream& in, std::ostream& prompts,
                 bool inputIsTerminal);

  // The session whose confirmation handlers the confirmation runs.
  void Attach(Session& session) { session_ = &session; }

  MsgAnswer MessageBox(const MessageBoxRequest& request) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText, InputEcho echo) override;
  std::string FileExists(const std::string& question, const std::string& details) override;
  void ShowConfirmation(ConfirmationModel& confirmation) override;
  void ShowStatus(StatusModel& status) override;
  DestinationAnswer ChooseDestination(const DestinationRequest& request) override;
  void ShowWelcome() override {}
  // The console has no file-type filter, so the notice is never asked for.
  void ShowImportantMessage(ImportantMessageModel&) override {}

 private:
  // The chosen caption; EOF, or a line that is no choice followed by EOF, is the default.
  size_t AskChoice(const std::vector<std::string>& captions, size_t defaultIndex);
  std::optional<std::string> ReadLine(bool hidden);

  ConsoleAnswers answers_;
  std::istream& in_;
  std::ostream& prompts_;
  bool inputIsTerminal_;
  Session* session_ = nullptr;
  ConsoleStatusView status_;
};

class ConsolePump : public EventPump {
 public:
  void pump() override {}
};

}  // namespace tessaly
