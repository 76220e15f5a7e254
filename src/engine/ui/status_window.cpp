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
    : QDialog(owner), session_(session), form_(session.Form4Window) {
  setWindowTitle("Status");
  setModal(false);

  lblarc_ = new QLabel(this);
  lblarc_->setObjectName("lblarc");
  lblarc_->setTextFormat(Qt::PlainText);
  lblarc_->setWordWrap(true);
  lblmsg_ = new QLabel(this);
  lblmsg_->setObjectName("lblmsg");
  lblmsg_->setTextFormat(Qt::PlainText);
  lblmsg_->setWordWrap(true);
  pb2_ = new QProgressBar(this);
  pb2_->setObjectName("pb2");
  pb2_->setTextVisible(false);
  command1_ = new QPushButton(this);
  command1_->setObjectName("Command1");
  command1_->setDefault(true);
  command2_ = new QPushButton(this);
  command2_->setObjectName("Command2");
  command2_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(command1_);
  buttons->addWidget(command2_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblarc_);
  layout->addWidget(lblmsg_);
  layout->addWidget(pb2_);
  layout->addLayout(buttons);
  setMinimumWidth(440);
  // The final text is three lines where the job began with one.
  KeepTextsWhole(*this);

  connect(command1_, &QPushButton::clicked, this, [this] { form_.Command1_Click(session_); });
  connect(command2_, &QPushButton::clicked, this, [this] { form_.Command2_Click(session_); });
}

StatusWindow::~StatusWindow() {
  if (form_.view == this) form_.view = nullptr;
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
    button->setText(QString::fromStdString(caption));
  }
  if (button->isEnabled() != enabled) button->setEnabled(enabled);
  if (button->isHidden() == visible) button->setVisible(visible);
}

void StatusWindow::Refresh() {
  SyncText(lblarc_, form_.lblarc, shownArc_);
  SyncText(lblmsg_, form_.lblmsg, shownMsg_);
  if (form_.pb2Max != shownMax_ || form_.pb2Value != shownValue_) {
    const BarRange range = ScaledBarRange(form_.pb2Max, form_.pb2Value);
    if (form_.pb2Max != shownMax_) pb2_->setRange(0, range.max);
    pb2_->setValue(range.value);
    shownMax_ = form_.pb2Max;
    shownValue_ = form_.pb2Value;
  }
  SyncButton(command1_, form_.Command1Caption, true, form_.Command1Visible, shownCommand1_);
  SyncButton(command2_, form_.Command2Caption, form_.Command2Enabled, form_.Command2Visible,
             shownCommand2_);
  const bool wanted = form_.loaded && form_.Visible;
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
    if (form_.EscapeCancels()) form_.Command1_Click(session_);
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void StatusWindow::closeEvent(QCloseEvent* event) {
  // The close box is Command1: Cancel while the job runs (the window stays), OK after it.
  if (form_.loaded && form_.Command1Visible) form_.Command1_Click(session_);
  if (form_.loaded) {
    event->ignore();
  } else {
    event->accept();
  }
}

}  // namespace tessaly
