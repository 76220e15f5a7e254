// A Dialogs double for engine tests: records every question with all its fields and
// answers from queues the test fills. A question with no queued answer fails the test.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/extraction_dialogs.h"
#include "engine/session.h"
#include "platform/dialogs.h"

namespace tessaly::testing {

struct RecordedMessage {
  std::string text;
  MsgButtons buttons;
  MsgIcon icon;
  std::string title;
  int defaultButton;
};

struct RecordedInput {
  std::string prompt;
  std::string title;
  std::string defaultText;
  InputEcho echo;
};

// Close: the dialog is closed without pressing a button.
enum class ConfirmAnswer { Go, GoUntick, Cancel, CancelUntick, Close };

class ScriptedDialogs : public Dialogs {
 public:
  // Answers, consumed in order.
  std::deque<MsgAnswer> messageAnswers;
  std::deque<std::string> inputAnswers;
  std::deque<std::string> fileExistsAnswers;
  std::deque<ConfirmAnswer> confirmAnswers;
  std::deque<DestinationAnswer> destinationAnswers;

  // What was asked or shown.
  std::vector<RecordedMessage> messages;
  std::vector<RecordedInput> inputs;
  std::vector<std::string> fileExistsQuestions;
  std::vector<std::string> fileExistsDetails;
  std::vector<std::string> confirmations;  // the confirmation's message as shown
  std::vector<bool> confirmNewDestinationVisible;
  std::vector<DestinationRequest> destinationRequests;
  int statusShown = 0;
  int importantMessagesShown = 0;
  bool untickImportantMessage = false;  // the Important Message: "Show this message again" unticked

  Session* session = nullptr;  // needed to run the confirmation's handlers

  MsgAnswer MessageBox(const MessageBoxRequest& request) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText, InputEcho echo) override;
  std::string FileExists(const std::string& question, const std::string& details) override;
  void ShowConfirmation(ConfirmationModel& confirmation) override;
  void ShowStatus(StatusModel& status) override;
  DestinationAnswer ChooseDestination(const DestinationRequest& request) override;
  void ShowWelcome() override;
  void ShowImportantMessage(ImportantMessageModel& notice) override;
};

class CountingPump : public EventPump {
 public:
  int pumps = 0;
  // What the user does while the job lets events run, if anything.
  std::function<void()> meanwhile;
  void pump() override {
    ++pumps;
    if (meanwhile) meanwhile();
  }
};

}  // namespace tessaly::testing
