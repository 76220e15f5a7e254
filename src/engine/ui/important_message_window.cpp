#include "engine/ui/important_message_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/extraction_dialogs.h"
#include "platform/ui/text_fit.h"

namespace tessaly {

ImportantMessageWindow::ImportantMessageWindow(Session& session, ImportantMessageModel& notice,
                                               QWidget* owner)
    : QDialog(owner), session_(session), model_(notice) {
  setObjectName("Form8");
  setWindowTitle("Important Message");
  setModal(true);

  auto* noticeLabel = new QLabel(kArchiveSetNotice, this);
  noticeLabel->setObjectName("Label1");
  noticeLabel->setTextFormat(Qt::PlainText);
  noticeLabel->setWordWrap(true);
  showAgainBox_ = new QCheckBox("Show this message again in the future", this);
  showAgainBox_->setObjectName("Check1");
  showAgainBox_->setChecked(notice.showAgain);
  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("Command1");
  okButton_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(showAgainBox_);
  buttons->addStretch();
  buttons->addWidget(okButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(noticeLabel);
  layout->addLayout(buttons);
  setMinimumWidth(420);
  KeepTextsWhole(*this);

  connect(okButton_, &QPushButton::clicked, this, [this] {
    model_.showAgain = showAgainBox_->isChecked();
    model_.OkClicked(session_);
    accept();
  });
}

}  // namespace tessaly
