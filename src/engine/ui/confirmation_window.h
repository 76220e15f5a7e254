// The confirmation dialog (Form3): shows the form and sends its buttons to the
// form's handlers. Modal.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessaly {

struct Session;
class Form3;

class ConfirmationWindow : public QDialog {
  Q_OBJECT

 public:
  ConfirmationWindow(Session& session, Form3& form, QWidget* owner);

  QLabel* Label1() const { return label1_; }
  QCheckBox* Check1() const { return check1_; }
  QPushButton* Command1() const { return command1_; }
  QPushButton* Command2() const { return command2_; }
  QPushButton* Command3() const { return command3_; }

  // Escape and the close box press "Cancel".
  void reject() override;

 private:
  void Go();
  void SelectNewDestination();

  Session& session_;
  Form3& form_;
  QLabel* label1_;
  QCheckBox* check1_;
  QPushButton* command1_;
  QPushButton* command2_;
  QPushButton* command3_;
};

}  // namespace tessaly
