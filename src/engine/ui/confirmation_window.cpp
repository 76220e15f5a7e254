#include "engine/ui/confirmation_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/extraction_dialogs.h"
#include "platform/ui/text_fit.h"

namespace tessaly {

ConfirmationWindow::ConfirmationWindow(Session& session, Form3& form, QWidget* owner)
    : QDialog(owner), session_(session), form_(form) {
  setWindowTitle("Confirmation");
  setModal(true);

  label1_ = new QLabel(QString::fromStdString(form.Label1), this);
  label1_->setObjectName("Label1");
  label1_->setTextFormat(Qt::PlainText);
  label1_->setWordWrap(true);
  auto* label2 = new QLabel(kForm3Label2, this);
  label2->setObjectName("Label2");
  label2->setTextFormat(Qt::PlainText);
  label2->setWordWrap(true);
  check1_ = new QCheckBox("Show this message again in the future.", this);
  check1_->setObjectName("Check1");
  check1_->setChecked(form.Check1);
  command1_ = new QPushButton("Go", this);
  command1_->setObjectName("Command1");
  command1_->setDefault(true);
  command2_ = new QPushButton("Cancel", this);
  command2_->setObjectName("Command2");
  command2_->setAutoDefault(false);
  command3_ = new QPushButton("Select New Destination Folder", this);
  command3_->setObjectName("Command3");
  command3_->setAutoDefault(false);
  command3_->setVisible(form.Command3Visible);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(command3_);
  buttons->addStretch();
  buttons->addWidget(command1_);
  buttons->addWidget(command2_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label1_);
  layout->addWidget(label2);
  layout->addWidget(check1_);
  layout->addLayout(buttons);
  setMinimumWidth(460);
  KeepTextsWhole(*this);

  connect(command1_, &QPushButton::clicked, this, &ConfirmationWindow::Go);
  connect(command2_, &QPushButton::clicked, this, &ConfirmationWindow::reject);
  connect(command3_, &QPushButton::clicked, this, &ConfirmationWindow::SelectNewDestination);
}

void ConfirmationWindow::Go() {
  form_.Check1 = check1_->isChecked();
  form_.Command1_Click(session_);
  accept();
}

void ConfirmationWindow::reject() {
  form_.Check1 = check1_->isChecked();
  form_.Command2_Click(session_);
  QDialog::reject();
}

void ConfirmationWindow::SelectNewDestination() {
  form_.Command3_Click(session_);
  label1_->setText(QString::fromStdString(form_.Label1));
}

}  // namespace tessaly
