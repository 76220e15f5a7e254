#include "engine/ui/status_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "engine/session.h"
#include "platform/ui/text_fit.h"

namespace tessaly {

BarRange ScaledBarRange(int64_t max, int64_t value) {
  // A zero maximum would turn the bar into a busy indicator that never stops.
  if (max <= 0) return {1, 0};
  const int64_t divisor = max / INT_MAX + 1;
  const int64_t clamped = std::clamp<int64_t>(value, 0, max);
  return {static_cast<int>(max / divisor), static_cast<int>(clamped / divisor)};
}

StatusWindow::StatusWindow(Session& session, QWidget* owner)
    : QDialog(owner), session_(session), model_(session.status) {
  setObjectName("Form4");
  setWindowTitle("Status");
  setModal(false);

  archiveLabel_ = new QLabel(this);
  archiveLabel_->setObjectName("lblarc");
  archiveLabel_->setTextFormat(Qt::PlainText);
  archiveLabel_->setWordWrap(true);
  messageLabel_ = new QLabel(this);
  messageLabel_->setObjectName("lblmsg");
  messageLabel_->setTextFormat(Qt::PlainText);
  messageLabel_->setWordWrap(true);
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName("pb2");
  progressBar_->setTextVisible(false);
  cancelButton_ = new QPushButton(this);
  cancelButton_->setObjectName("Command1");
  backgroundButton_ = new QPushButton(this);
  backgroundButton_->setObjectName("Command2");
  backgroundButton_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancelButton_);
  buttons->addWidget(backgroundButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(archiveLabel_);
  layout->addWidget(messageLabel_);
  layout->addWidget(progressBar_);
  layout->addLayout(buttons);
  setMinimumWidth(440);
  // The final text is three lines where the job began with one.
  KeepTextsWhole(*this);

  connect(cancelButton_, &QPushButton::clicked, this,
          [this] { model_.CancelButtonClicked(session_); });
  connect(backgroundButton_, &QPushButton::clicked, this,
          [this] { model_.BackgroundButtonClicked(session_); });
}

StatusWindow::~StatusWindow() {
  if (model_.view == this) model_.view = nullptr;
}

void StatusWindow::SyncText(QLabel* label, const std::string& text, std::string& shown) {
  if (text == shown) return;
  shown = text;
  label->setText(QString::fromStdString(text));
}

void StatusWindow::SyncButton(QPushButton* button, const std::string& caption, bool enabled,
                              bool visible, std::string& shownCaption) {
  if (caption != shownCaption) {
    shownCaption = caption;
    button->setText("&" + QString::fromStdString(caption));
  }
  if (button->isEnabled() != enabled) button->setEnabled(enabled);
  if (button->isHidden() == visible) button->setVisible(visible);
}

void StatusWindow::Refresh() {
  SyncText(archiveLabel_, model_.archiveLabel, shownArc_);
  SyncText(messageLabel_, model_.messageLabel, shownMsg_);
  if (model_.progressMax != shownMax_ || model_.progressValue != shownValue_) {
    const BarRange range = ScaledBarRange(model_.progressMax, model_.progressValue);
    if (model_.progressMax != shownMax_) progressBar_->setRange(0, range.max);
    progressBar_->setValue(range.value);
    shownMax_ = model_.progressMax;
    shownValue_ = model_.progressValue;
  }
  SyncButton(cancelButton_, model_.cancelButtonCaption, true, model_.cancelButtonVisible,
             shownCancelCaption_);
  SyncButton(backgroundButton_, model_.backgroundButtonCaption, model_.backgroundButtonEnabled,
             model_.backgroundButtonVisible, shownBackgroundCaption_);
  // Enter presses OK once the job is over, but never cancels a running job.
  const bool running = model_.EscapeCancels();
  cancelButton_->setAutoDefault(!running);
  cancelButton_->setDefault(!running);
  const bool wanted = model_.loaded && model_.visible;
  if (wanted == isVisible()) return;
  if (wanted) {
    show();
    raise();
    activateWindow();
  } else {
    hide();
  }
}

void StatusWindow::changeEvent(QEvent* event) {
  // Disabling the owner reaches its child windows too, but this one must stay usable
  // while the owner is disabled for the job.
  if (event->type() == QEvent::EnabledChange && !isEnabled()) setEnabled(true);
  QDialog::changeEvent(event);
}

void StatusWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (model_.EscapeCancels()) model_.CancelButtonClicked(session_);
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void StatusWindow::closeEvent(QCloseEvent* event) {
  // The close box is the cancel button: Cancel while the job runs (the window stays), OK after it.
  if (model_.loaded && model_.cancelButtonVisible) model_.CancelButtonClicked(session_);
  if (model_.loaded) {
    event->ignore();
  } else {
    event->accept();
  }
}

}  // namespace tessaly
