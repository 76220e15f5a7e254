#include "platform/ui/console_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace tessaly {
namespace {

constexpr int kFinishCheckMs = 50;
// How long a program gets to end on the hang-up before it is killed.
constexpr std::chrono::milliseconds kEndGrace(300);
constexpr int kScrollbackLines = 10000;
// Reads after the end; bounded, as a program left behind may go on writing.
constexpr int kDrainRounds = 16;

// The bytes a terminal sends for a key, or "" for keys that only move the view.
std::string TerminalBytes(const QKeyEvent& event) {
  const int key = event.key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return "\r";
  if (key == Qt::Key_Backspace) return "\x7f";
  if (key == Qt::Key_Tab) return "\t";
  if ((event.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
    return std::string(1, static_cast<char>(key - Qt::Key_A + 1));
  }
  const QString text = event.text();
  for (const QChar c : text) {
    if (!c.isPrint()) return "";
  }
  return text.toStdString();
}

}  // namespace

ConsoleWindow::ConsoleWindow(std::unique_ptr<PtyProcess> process, const QString& command)
    : process_(std::move(process)),
      command_(command),
      output_(process_->MasterFd(), QSocketNotifier::Read),
      input_(process_->MasterFd(), QSocketNotifier::Write) {
  setReadOnly(true);
  setFocusPolicy(Qt::StrongFocus);
  // A console left open is no reason to keep the program running, nor is closing it
  // a reason to quit.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setMaximumBlockCount(kScrollbackLines);
  setWindowTitle(command_);
  resize(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 82, fontMetrics().lineSpacing() * 26);

  input_.setEnabled(false);
  connect(&output_, &QSocketNotifier::activated, this, &ConsoleWindow::ReadOutput);
  connect(&input_, &QSocketNotifier::activated, this, &ConsoleWindow::SendPendingInput);
  connect(&finishCheck_, &QTimer::timeout, this, &ConsoleWindow::CheckFinished);
  finishCheck_.start(kFinishCheckMs);
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::ShowInStyle(int windowStyle) {
  switch (windowStyle) {
    case 2:
      showMinimized();
      break;
    case 3:
      showMaximized();
      activateWindow();
      break;
    case 4:
      setAttribute(Qt::WA_ShowWithoutActivating);
      showNormal();
      break;
    case 6:
      setAttribute(Qt::WA_ShowWithoutActivating);
      showMinimized();
      break;
    default:
      showNormal();
      activateWindow();
      break;
  }
}

void ConsoleWindow::keyPressEvent(QKeyEvent* event) {
  const std::string bytes = TerminalBytes(*event);
  if (bytes.empty()) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  if (status_) return;
  pendingInput_ += bytes;
  SendPendingInput();
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
  if (!status_) {
    process_->End(kEndGrace);
    status_ = process_->ExitStatus();
  }
  finishCheck_.stop();
  output_.setEnabled(false);
  input_.setEnabled(false);
  closed_ = true;
  event->accept();
}

void ConsoleWindow::ReadOutput() {
  const std::optional<std::string> output = process_->Read();
  if (!output) {
    output_.setEnabled(false);
    return;
  }
  if (output->empty()) return;
  screen_.Feed(*output);
  ShowOutput(screen_.TakeFinishedLines(), screen_.CurrentLine());
}

// Lines above the cursor never change, so only the last block is rewritten.
void ConsoleWindow::ShowOutput(const std::vector<std::string>& finishedLines,
                               const std::string& currentLine) {
  std::string text;
  for (const std::string& line : finishedLines) text += line + "\n";
  text += currentLine;
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(QString::fromStdString(text));
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ConsoleWindow::SendPendingInput() {
  pendingInput_.erase(0, process_->Write(pendingInput_));
  input_.setEnabled(!pendingInput_.empty());
}

void ConsoleWindow::CheckFinished() {
  const std::optional<int> status = process_->ExitStatus();
  if (!status) return;
  finishCheck_.stop();
  // What the program wrote just before it ended is still in the terminal.
  for (int round = 0; round < kDrainRounds && output_.isEnabled(); ++round) ReadOutput();
  pendingInput_.clear();
  input_.setEnabled(false);
  status_ = status;
  setWindowTitle(QStringLiteral("Finished - ") + command_);
}

}  // namespace tessaly
