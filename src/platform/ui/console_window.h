// The console window a visible batch runs in: it shows what the program writes to
// its terminal, types the user's keys into it, is titled after the command and,
// once the program has ended, "Finished - " and the command. It stays open until it
// is closed; closing it while the program runs ends the program.
#pragma once

#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "platform/pty_process.h"
#include "platform/terminal_text.h"

namespace tessaly {

class ConsoleWindow : public QPlainTextEdit {
  Q_OBJECT

 public:
  ConsoleWindow(std::unique_ptr<PtyProcess> process, const QString& command);
  ~ConsoleWindow() override;

  // Shows the window in a window style: 2 minimised, 3 maximised, 4 normal and 6
  // minimised without taking the focus, any other normal with the focus.
  void ShowInStyle(int windowStyle);

  // The program's exit status once it has ended; nothing while it runs.
  std::optional<int> ExitStatus() const { return status_; }
  // True once the window has been closed (the program has then ended too).
  bool Closed() const { return closed_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ReadOutput();
  void ShowOutput(const std::vector<std::string>& finishedLines, const std::string& currentLine);
  void SendPendingInput();
  void CheckFinished();

  std::unique_ptr<PtyProcess> process_;
  QString command_;
  TerminalText screen_;
  QSocketNotifier output_;
  QSocketNotifier input_;
  QTimer finishCheck_;
  std::string pendingInput_;
  std::optional<int> status_;
  bool closed_ = false;
};

}  // namespace tessaly
