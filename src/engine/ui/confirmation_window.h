// The confirmation dialog: shows the model and sends its buttons to the
// model's handlers. Modal.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessaly {

struct Session;
class ConfirmationModel;

class ConfirmationWindow : public QDialog {
  Q_OBJECT

 public:
  ConfirmationWindow(Session& session, ConfirmationModel& confirmation, QWidget* owner);

  QLabel* MessageLabel() const { return messageLabel_; }
  QCheckBox* ShowAgainBox() const { return showAgainBox_; }
  QPushButton* GoButton() const { return goButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QPushButton* NewDestinationButton() const { return newDestinationButton_; }

  // Escape and the close box press "Cancel".
  void reject() override;

 private:
  void Go();
  void SelectNewDestination();

  Session& session_;
  ConfirmationModel& model_;
  QLabel* messageLabel_;
  QCheckBox* showAgainBox_;
  QCheckBox* keepBrokenBox_;
  QPushButton* goButton_;
  QPushButton* cancelButton_;
  QPushButton* newDestinationButton_;
};

}  // namespace tessaly
