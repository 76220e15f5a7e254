#include "app/console_dialogs.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <istream>
#include <ostream>
#include <string>

#include "engine/session.h"
#include "platform/ascii_case.h"

namespace tessaly {

namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Turns terminal echo off for as long as it lives.
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

size_t DefaultButtonIndex(int defaultButton, size_t buttonCount) {
  if (defaultButton < 1 || static_cast<size_t>(defaultButton) > buttonCount) return 0;
  return static_cast<size_t>(defaultButton) - 1;
}

}  // namespace

std::optional<size_t> ParseChoice(const std::string& line, const std::vector<std::string>& captions,
                                  size_t defaultIndex) {
  const std::string answer = AsciiLower(Trimmed(line));
  if (answer.empty()) return defaultIndex;
  for (size_t i = 0; i < captions.size(); ++i) {
    const std::string caption = AsciiLower(captions[i]);
    if (answer == caption || answer == caption.substr(0, 1)) return i;
  }
  return std::nullopt;
}

std::string ChoicePrompt(const std::vector<std::string>& captions, size_t defaultIndex) {
  std::string prompt;
  for (size_t i = 0; i < captions.size(); ++i) {
    if (i > 0) prompt += "/";
    prompt += "[" + captions[i].substr(0, 1) + "]" + captions[i].substr(1);
  }
  return prompt + " (default: " + captions[defaultIndex] + ")? ";
}

std::vector<std::string> ButtonCaptions(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::OK:
      return {"OK"};
    case MsgButtons::OKCancel:
      return {"OK", "Cancel"};
    case MsgButtons::YesNo:
      return {"Yes", "No"};
    case MsgButtons::YesNoCancel:
      return {"Yes", "No", "Cancel"};
  }
  return {"OK"};
}

static MsgAnswer AnswerForCaption(const std::string& caption) {
  if (caption == "Yes") return MsgAnswer::Yes;
  if (caption == "No") return MsgAnswer::No;
  if (caption == "Cancel") return MsgAnswer::Cancel;
  return MsgAnswer::OK;
}

std::string AsDestinationFolder(const std::string& typed) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::absolute(typed, error);
  if (error) folder = typed;
  std::string text = folder.lexically_normal().string();
  if (text.empty() || text.back() != '/') text += "/";
  return text;
}

ConsoleStatusView::ConsoleStatusView(std::ostream& out, std::chrono::milliseconds progressInterval,
                                     Clock now)
    : out_(out), progressInterval_(progressInterval), now_(std::move(now)) {}

void ConsoleStatusView::Watch(const StatusModel& status) {
  model_ = &status;
  shownArc_.clear();
  shownMsg_.clear();
  shownValue_ = -1;
  shownMax_ = -1;
}

void ConsoleStatusView::Refresh() {
  if (model_ == nullptr) return;
  // One write per refresh: standard error is unbuffered, and a status line per
  // entry of a large archive would otherwise cost several system calls.
  std::string lines;
  if (model_->archiveLabel != shownArc_) {
    shownArc_ = model_->archiveLabel;
    if (!shownArc_.empty()) lines += shownArc_ + "\n";
  }
  if (model_->messageLabel != shownMsg_) {
    shownMsg_ = model_->messageLabel;
    if (!shownMsg_.empty()) lines += shownMsg_ + "\n";
  }
  const bool linePrinted = !lines.empty();
  if (model_->progressValue != shownValue_ || model_->progressMax != shownMax_) {
    const auto now = now_();
    if (linePrinted || now - progressShownAt_ >= progressInterval_) {
      shownValue_ = model_->progressValue;
      shownMax_ = model_->progressMax;
      progressShownAt_ = now;
      lines += "progress " + std::to_string(shownValue_) + "/" + std::to_string(shownMax_) + "\n";
    }
  }
  if (lines.empty()) return;
  out_ << lines;
  out_.flush();
}

ConsoleDialogs::ConsoleDialogs(ConsoleAnswers answers, std::istream& in, std::ostream& prompts,
                               bool inputIsTerminal)
    : answers_(std::move(answers)),
      in_(in),
      prompts_(prompts),
      inputIsTerminal_(inputIsTerminal),
      status_(prompts) {}

std::optional<std::string> ConsoleDialogs::ReadLine(bool hidden) {
  prompts_.flush();
  std::string line;
  bool read = false;
  if (hidden && inputIsTerminal_) {
    EchoOff echoOff(STDIN_FILENO);
    read = static_cast<bool>(std::getline(in_, line));
    prompts_ << "\n";
  } else {
    read = static_cast<bool>(std::getline(in_, line));
  }
  if (!read) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

size_t ConsoleDialogs::AskChoice(const std::vector<std::string>& captions, size_t defaultIndex) {
  while (true) {
    prompts_ << ChoicePrompt(captions, defaultIndex);
    const std::optional<std::string> line = ReadLine(false);
    if (!line) {
      prompts_ << captions[defaultIndex] << "\n";
      return defaultIndex;
    }
    if (const auto choice = ParseChoice(*line, captions, defaultIndex)) return *choice;
  }
}

MsgAnswer ConsoleDialogs::MessageBox(const MessageBoxRequest& request) {
  if (messageLog != nullptr) messageLog->push_back(request.text);
  prompts_ << "\n" << request.title << ": " << request.text << "\n";
  const std::vector<std::string> captions = ButtonCaptions(request.buttons);
  if (captions.size() == 1) {
    prompts_.flush();
    return MsgAnswer::OK;
  }
  if (answers_.assumeYes) {
    const bool hasYes = std::find(captions.begin(), captions.end(), "Yes") != captions.end();
    const std::string caption = hasYes ? "Yes" : "OK";
    prompts_ << caption << "\n";
    return AnswerForCaption(caption);
  }
  const size_t chosen =
      AskChoice(captions, DefaultButtonIndex(request.defaultButton, captions.size()));
  return AnswerForCaption(captions[chosen]);
}

std::string ConsoleDialogs::InputBox(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText, InputEcho echo) {
  prompts_ << "\n" << title << ": " << prompt << "\n";
  const bool hidden = echo == InputEcho::Secret;
  if (hidden && answers_.password) return *answers_.password;
  if (!defaultText.empty()) prompts_ << "(default: " << defaultText << ") ";
  prompts_ << "> ";
  const std::optional<std::string> line = ReadLine(hidden);
  if (!line) {
    prompts_ << "\n";
    return "";
  }
  return line->empty() ? defaultText : *line;
}

std::string ConsoleDialogs::FileExists(const std::string& question, const std::string& details) {
  prompts_ << "\nFile Exists: " << question << "\n" << details << "\n";
  if (answers_.noOverwrite || answers_.assumeYes) {
    const std::string caption = answers_.noOverwrite ? "No" : "All";
    prompts_ << caption << "\n";
    return caption;
  }
  const std::vector<std::string> captions = {"Yes", "No", "All", "Cancel"};
  return captions[AskChoice(captions, 1)];
}

void ConsoleDialogs::ShowConfirmation(ConfirmationModel& confirmation) {
  prompts_ << "\nConfirmation: " << confirmation.message << "\n" << kConfirmationPrompt << "\n";
  bool go = true;
  if (answers_.assumeYes) {
    prompts_ << "Go\n";
  } else {
    go = AskChoice({"Go", "Cancel"}, 0) == 0;
  }
  if (session_ == nullptr) return;
  if (go) {
    confirmation.GoClicked(*session_);
  } else {
    confirmation.CancelClicked(*session_);
  }
}

void ConsoleDialogs::ShowStatus(StatusModel& status) {
  status_.Watch(status);
  status.view = &status_;
  status_.Refresh();
}

DestinationAnswer ConsoleDialogs::ChooseDestination(const DestinationRequest&) {
  DestinationAnswer answer;
  if (answers_.destination) {
    answer.chosenDestination = AsDestinationFolder(*answers_.destination);
    answer.perArchiveFolder = answers_.perArchiveFolder;
    return answer;
  }
  prompts_ << "Extract to folder: ";
  const std::optional<std::string> line = ReadLine(false);
  if (!line || Trimmed(*line).empty()) {
    if (!line) prompts_ << "\n";
    return answer;
  }
  answer.chosenDestination = AsDestinationFolder(Trimmed(*line));
  answer.perArchiveFolder = answers_.perArchiveFolder;
  return answer;
}

}  // namespace tessaly
