#include "shell/ui/transfer_window.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include "platform/dialogs.h"

namespace tessaly {

namespace {

// The bar counts in steps of this scale, so sizes over 2 GiB fit its int range.
constexpr int kProgressSteps = 10000;
// Work shorter than this shows no window.
constexpr int kShowAfterMs = 700;

}  // namespace

TransferWindow::TransferWindow(TransferKind kind, Dialogs& dialogs, QWidget* owner)
    : dialogs_(dialogs),
      owner_(owner),
      progress_(std::make_unique<QProgressDialog>(owner)),
      bar_(new QProgressBar) {
  progress_->setObjectName(QStringLiteral("TransferProgress"));
  progress_->setWindowTitle(kind == TransferKind::Copy ? QStringLiteral("Copying...")
                                                       : QStringLiteral("Moving..."));
  progress_->setCancelButtonText(QStringLiteral("Cancel"));
  // The dialog's own timer would show it over a question that waits, so the bar is
  // driven directly and the window shown here.
  progress_->setBar(bar_);
  bar_->setRange(0, kProgressSteps);
  bar_->setValue(0);
  progress_->setWindowModality(Qt::WindowModal);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  working_.start();
}

TransferWindow::~TransferWindow() = default;

ConflictAnswer TransferWindow::AskReplace(const std::string& target) {
  progress_->hide();
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm File Replace"),
                  QString::fromStdString(ReplaceQuestionText(target)), QMessageBox::NoButton,
                  owner_);
  box.setObjectName(QStringLiteral("TransferReplace"));
  box.setTextFormat(Qt::PlainText);
  const std::pair<const char*, ConflictAnswer> choices[] = {
      {"Replace", ConflictAnswer::Replace},        {"Skip", ConflictAnswer::Skip},
      {"Replace All", ConflictAnswer::ReplaceAll}, {"Skip All", ConflictAnswer::SkipAll},
      {"Cancel", ConflictAnswer::Cancel},
  };
  std::vector<std::pair<QPushButton*, ConflictAnswer>> buttons;
  for (const auto& [caption, answer] : choices) {
    const auto role =
        answer == ConflictAnswer::Cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
    buttons.emplace_back(box.addButton(QString::fromUtf8(caption), role), answer);
  }
  box.setDefaultButton(buttons.front().first);
  box.setEscapeButton(buttons.back().first);
  box.exec();
  working_.restart();
  for (const auto& [button, answer] : buttons) {
    if (box.clickedButton() == button) return answer;
  }
  return ConflictAnswer::Cancel;
}

bool TransferWindow::Progress(const std::string& source, std::uint64_t bytesDone,
                              std::uint64_t bytesTotal) {
  const double share = bytesTotal == 0 ? 0.0 : static_cast<double>(bytesDone) / bytesTotal;
  progress_->setLabelText(QString::fromStdString(source));
  bar_->setValue(static_cast<int>(share * kProgressSteps));
  if (!progress_->isVisible() && working_.hasExpired(kShowAfterMs)) progress_->show();
  QCoreApplication::processEvents();
  return !progress_->wasCanceled();
}

void TransferWindow::ReportError(const std::string& text) {
  progress_->hide();
  dialogs_.MessageBox({text, MsgButtons::OK, MsgIcon::Exclamation, "Oops!", 1});
}

}  // namespace tessaly
