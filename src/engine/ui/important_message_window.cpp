#include "engine/ui/important_message_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/extraction_dialogs.h"
#include "platform/ui/text_fit.h"

namespace tessaly {

ImportantMessageWindow::ImportantMessageWindow(Session& session, Form8& form, QWidget* owner)
    : QDialog(owner), session_(session), form_(form) {
  setWindowTitle("Important Message");
  setModal(true);

  auto* label1 = new QLabel(kForm8Label1, this);
  label1->setObjectName("Label1");
  label1->setTextFormat(Qt::PlainText);
  label1->setWordWrap(true);
  check1_ = new QCheckBox("Show this message again in the future", this);
  check1_->setObjectName("Check1");
  check1_->setChecked(form.Check1);
  command1_ = new QPushButton("OK", this);
  command1_->setObjectName("Command1");
  command1_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(check1_);
  buttons->addStretch();
  buttons->addWidget(command1_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label1);
  layout->addLayout(buttons);
  setMinimumWidth(420);
  KeepTextsWhole(*this);

  connect(command1_, &QPushButton::clicked, this, [this] {
    form_.Check1 = check1_->isChecked();
    form_.Command1_Click(session_);
    accept();
  });
}

}  // namespace tessaly
