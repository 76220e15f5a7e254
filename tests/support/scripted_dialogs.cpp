#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace tessaly::testing {

template <typename T>
static bool TakeAnswer(std::deque<T>& queue, T& answer, const std::string& what) {
  if (queue.empty()) {
    ADD_FAILURE() << "unexpected " << what;
    return false;
  }
  answer = queue.front();
  queue.pop_front();
  return true;
}

MsgAnswer ScriptedDialogs::MessageBox(const MessageBoxRequest& r) {
  if (messageLog != nullptr) messageLog->push_back(r.text);
  messages.push_back({r.text, r.buttons, r.icon, r.title, r.defaultButton});
  MsgAnswer answer = MsgAnswer::OK;
  if (r.buttons == MsgButtons::OK) return answer;  // nothing to decide
  TakeAnswer(messageAnswers, answer, "message box: " + r.text);
  return answer;
}

std::string ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText, InputEcho echo) {
  inputs.push_back({prompt, title, defaultText, echo});
  std::string answer;
  TakeAnswer(inputAnswers, answer, "input box: " + prompt);
  return answer;
}

std::string ScriptedDialogs::FileExists(const std::string& question, const std::string& details) {
  fileExistsQuestions.push_back(question);
  fileExistsDetails.push_back(details);
  std::string answer;
  TakeAnswer(fileExistsAnswers, answer, "File Exists prompt: " + question);
  return answer;
}

void ScriptedDialogs::ShowConfirmation(ConfirmationModel& confirmation) {
  confirmations.push_back(confirmation.message);
  confirmNewDestinationVisible.push_back(confirmation.newDestinationVisible);
  ConfirmAnswer answer = ConfirmAnswer::Cancel;
  if (!TakeAnswer(confirmAnswers, answer, "confirmation: " + confirmation.message)) return;
  if (answer == ConfirmAnswer::GoUntick || answer == ConfirmAnswer::CancelUntick) {
    confirmation.showAgain = false;
  }
  if (answer == ConfirmAnswer::Close) return;
  if (answer == ConfirmAnswer::Go || answer == ConfirmAnswer::GoUntick) {
    confirmation.GoClicked(*session);
  } else {
    confirmation.CancelClicked(*session);
  }
}

void ScriptedDialogs::ShowStatus(StatusModel&) {
  ++statusShown;
}

DestinationAnswer ScriptedDialogs::ChooseDestination(const DestinationRequest& request) {
  destinationRequests.push_back(request);
  DestinationAnswer answer;
  TakeAnswer(destinationAnswers, answer, "destination dialog");
  return answer;
}

void ScriptedDialogs::ShowWelcome() {}

void ScriptedDialogs::ShowImportantMessage(ImportantMessageModel& notice) {
  ++importantMessagesShown;
  if (untickImportantMessage) notice.showAgain = false;
  notice.OkClicked(*session);
}

}  // namespace tessaly::testing
