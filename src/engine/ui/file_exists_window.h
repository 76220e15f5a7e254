// The File Exists prompt: the question, the two files' sizes and dates, and four answers.
// Modal.
#pragma once

#include <QDialog>
#include <array>
#include <string>

class QLabel;
class QPushButton;

namespace tessaly {

class FileExistsWindow : public QDialog {
  Q_OBJECT

 public:
  FileExistsWindow(const std::string& question, const std::string& details, QWidget* owner);

  // The caption of the button pressed; "" when the prompt was closed without one.
  std::string Answer() const { return answer_; }

  QLabel* QuestionLabel() const { return questionLabel_; }
  QLabel* DetailsLabel() const { return detailsLabel_; }
  // AnswerButton(0..3): "Yes", "No", "All", "Cancel".
  QPushButton* AnswerButton(int index) const { return answerButtons_.at(index); }

 private:
  QLabel* questionLabel_;
  QLabel* detailsLabel_;
  std::array<QPushButton*, 4> answerButtons_{};
  std::string answer_;
};

// Shows the prompt over owner and returns its answer.
std::string AskFileExists(const std::string& question, const std::string& details, QWidget* owner);

}  // namespace tessaly
