// The road from the core to whoever shows windows: every modal question the core
// asks goes through Dialogs; "let pending events run" is EventPump::pump().
// Implemented by the Qt windows, by the console front end, and by the scripted
// double of the tests.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

class ConfirmationModel;
class StatusModel;
class ImportantMessageModel;

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgAnswer { OK, Cancel, Yes, No };
// What the input box shows of the text typed: passwords are never shown.
enum class InputEcho { Normal, Secret };

struct MessageBoxRequest {
  std::string text;
  MsgButtons buttons = MsgButtons::OK;
  MsgIcon icon = MsgIcon::None;
  std::string title;
  int defaultButton = 1;  // 1 = the first button, 2 = the second, ...
};

// The destination dialog: the one folder chooser.
struct DestinationRequest {
  std::string caption = "Extract to...";
  bool showPerArchiveCheck = false;  // enlarged so that the per-archive-folder box shows
  std::string startFolder;           // where the folder tree points first ("" = leave it)
};

struct DestinationAnswer {
  std::string chosenDestination;  // ends in "/"; "" when nothing was chosen
  bool perArchiveFolder = false;  // "Create new folder for each zip under selected folder."
};

// A reader at work before any Status window shows (a type probe, a listing): the front
// end may say so and offer Cancel, which sets cancelled.
struct ReadingNotice {
  std::string archive;
  bool cancelled = false;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // While set, the text of every message box shown is added to it too: a test of
  // archives lists what went wrong after the job.
  std::vector<std::string>* messageLog = nullptr;
  virtual MsgAnswer MessageBox(const MessageBoxRequest& request) = 0;
  // Returns "" when the user cancels or leaves the box empty.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText, InputEcho echo) = 0;
  // The File Exists prompt: the caption of the button pressed ("Yes", "No", "All", "Cancel"),
  // or "" when the prompt was closed without one.
  virtual std::string FileExists(const std::string& question, const std::string& details) = 0;
  // The confirmation, shown modally; the window calls the model's handlers.
  virtual void ShowConfirmation(ConfirmationModel& confirmation) = 0;
  // The Status window, shown without blocking; the window shows the model's state as it changes.
  virtual void ShowStatus(StatusModel& status) = 0;
  virtual DestinationAnswer ChooseDestination(const DestinationRequest& request) = 0;
  // The Welcome window, shown modally on the very first run.
  virtual void ShowWelcome() = 0;
  // The Important Message window (the archive-set notice), shown modally; the window calls
  // the model's handler.
  virtual void ShowImportantMessage(ImportantMessageModel& notice) = 0;
  // Shown without blocking while a reader works on; a front end without such a window
  // shows nothing (a console has its interrupt key).
  virtual void ShowReading(ReadingNotice& /*notice*/) {}
  virtual void CloseReading() {}
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void pump() = 0;
};

}  // namespace tessaly
