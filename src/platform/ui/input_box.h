// The input box: a prompt, a text field with a default text, OK and Cancel. Modal.
#pragma once

#include <QDialog>
#include <string>

#include "platform/dialogs.h"

class QLabel;
class QLineEdit;

namespace tessaly {

class InputBoxWindow : public QDialog {
  Q_OBJECT

 public:
  InputBoxWindow(const std::string& prompt, const std::string& title,
                 const std::string& defaultText, InputEcho echo, QWidget* owner);

  QLabel* Prompt() const { return prompt_; }
  QLineEdit* Text() const { return text_; }

 private:
  QLabel* prompt_;
  QLineEdit* text_;
};

// The text entered; "" when the box was cancelled or closed.
std::string AskInput(const std::string& prompt, const std::string& title,
                     const std::string& defaultText, InputEcho echo, QWidget* owner);

}  // namespace tessaly
