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

std::string ScriptedDialogs::FileExists(const std::string& question) {
  fileExistsQuestions.push_back(question);
  std::string answer;
  TakeAnswer(fileExistsAnswers, answer, "File Exists prompt: " + question);
  return answer;
}

void ScriptedDialogs::ShowConfirmation(Form3& form) {
  confirmations.push_back(form.Label1);
  confirmCommand3Visible.push_back(form.Command3Visible);
  ConfirmAnswer answer = ConfirmAnswer::Cancel;
  if (!TakeAnswer(confirmAnswers, answer, "confirmation: " + form.Label1)) return;
  if (answer == ConfirmAnswer::GoUntick || answer == ConfirmAnswer::CancelUntick) {
    form.Check1 = false;
  }
  if (answer == ConfirmAnswer::Close) return;
  if (answer == ConfirmAnswer::Go || answer == ConfirmAnswer::GoUntick) {
    form.Command1_Click(*session);
  } else {
    form.Command2_Click(*session);
  }
}

void ScriptedDialogs::ShowStatus(Form4&) {
  ++statusShown;
}

DestinationAnswer ScriptedDialogs::ChooseDestination(const DestinationRequest& request) {
  destinationRequests.push_back(request);
  DestinationAnswer answer;
  TakeAnswer(destinationAnswers, answer, "destination dialog");
  return answer;
}

void ScriptedDialogs::ShowWelcome() {
  ++welcomeShown;
}

void ScriptedDialogs::ShowImportantMessage(Form8& form) {
  ++importantMessagesShown;
  if (untickImportantMessage) form.Check1 = false;
  form.Command1_Click(*session);
}

}  // namespace tessaly::testing
