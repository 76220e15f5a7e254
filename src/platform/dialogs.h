// The road from the core to whoever shows windows: every modal question the core
// asks goes through Dialogs; "let pending events run" is EventPump::pump().
// Implemented by the Qt windows, by the console front end, and by the scripted
// double of the tests.
#pragma once

#include <string>

namespace tessaly {

class Form3;
class Form4;
class Form8;

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

// The destination dialog (Form2): the one folder chooser.
struct DestinationRequest {
  std::string caption = "Extract to...";
  bool showPerArchiveCheck = false;  // enlarged so that Check1 shows
  std::string startFolder;           // where FT1 points first ("" = leave it)
};

struct DestinationAnswer {
  std::string ChosenDestination;  // ends in "/"; "" when nothing was chosen
  bool Check1 = false;            // "Create new folder for each zip under selected folder."
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MsgAnswer MessageBox(const MessageBoxRequest& request) = 0;
  // Returns "" when the user cancels or leaves the box empty.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText, InputEcho echo) = 0;
  // FrmOW: the caption of the button pressed ("Yes", "No", "All", "Cancel"),
  // or "" when the prompt was closed without one.
  virtual std::string FileExists(const std::string& question) = 0;
  // Form3, shown modally; the window calls the form's handlers.
  virtual void ShowConfirmation(Form3& form) = 0;
  // Form4, shown without blocking; the window shows the form's state as it changes.
  virtual void ShowStatus(Form4& form) = 0;
  virtual DestinationAnswer ChooseDestination(const DestinationRequest& request) = 0;
  // FrmIntro, shown modally on the very first run.
  virtual void ShowWelcome() = 0;
  // Form8, the archive-set notice, shown modally; the window calls the form's handler.
  virtual void ShowImportantMessage(Form8& form) = 0;
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void pump() = 0;
};

}  // namespace tessaly
