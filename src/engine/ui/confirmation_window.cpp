#include "engine/ui/confirmation_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/extraction_dialogs.h"
#include "platform/ui/text_fit.h"

namespace tessaly {

ConfirmationWindow::ConfirmationWindow(Session& session, ConfirmationModel& confirmation,
                                       QWidget* owner)
    : QDialog(owner), session_(session), model_(confirmation) {
  setObjectName("Form3");
  setWindowTitle("Confirmation");
  setModal(true);

  messageLabel_ = new QLabel(QString::fromStdString(confirmation.message), this);
  messageLabel_->setObjectName("Label1");
  messageLabel_->setTextFormat(Qt::PlainText);
  messageLabel_->setWordWrap(true);
  auto* promptLabel = new QLabel(kConfirmationPrompt, this);
  promptLabel->setObjectName("Label2");
  promptLabel->setTextFormat(Qt::PlainText);
  promptLabel->setWordWrap(true);
  showAgainBox_ = new QCheckBox("Show this message again in the future.", this);
  showAgainBox_->setObjectName("Check1");
  showAgainBox_->setChecked(confirmation.showAgain);
  keepBrokenBox_ = new QCheckBox("Keep broken files", this);
  keepBrokenBox_->setObjectName("CheckKeepBroken");
  keepBrokenBox_->setChecked(confirmation.keepBroken);
  goButton_ = new QPushButton("&Go", this);
  goButton_->setObjectName("Command1");
  goButton_->setDefault(true);
  cancelButton_ = new QPushButton("&Cancel", this);
  cancelButton_->setObjectName("Command2");
  cancelButton_->setAutoDefault(false);
  newDestinationButton_ = new QPushButton("Select New Destination Folder", this);
  newDestinationButton_->setObjectName("Command3");
  newDestinationButton_->setAutoDefault(false);
  newDestinationButton_->setVisible(confirmation.newDestinationVisible);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(newDestinationButton_);
  buttons->addStretch();
  buttons->addWidget(goButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(messageLabel_);
  layout->addWidget(promptLabel);
  layout->addWidget(keepBrokenBox_);
  layout->addWidget(showAgainBox_);
  layout->addLayout(buttons);
  setMinimumWidth(460);
  KeepTextsWhole(*this);

  connect(goButton_, &QPushButton::clicked, this, &ConfirmationWindow::Go);
  connect(cancelButton_, &QPushButton::clicked, this, &ConfirmationWindow::reject);
  connect(newDestinationButton_, &QPushButton::clicked, this,
          &ConfirmationWindow::SelectNewDestination);
}

void ConfirmationWindow::Go() {
  model_.showAgain = showAgainBox_->isChecked();
  model_.keepBroken = keepBrokenBox_->isChecked();
  model_.GoClicked(session_);
  accept();
}

void ConfirmationWindow::reject() {
  model_.showAgain = showAgainBox_->isChecked();
  model_.CancelClicked(session_);
  QDialog::reject();
}

void ConfirmationWindow::SelectNewDestination() {
  model_.NewDestinationClicked(session_);
  messageLabel_->setText(QString::fromStdString(model_.message));
}

}  // namespace tessaly
