// The window side of Copy to... and Move to...: a progress window with Cancel that shows
// only when the work takes more than a moment and never while the Replace question for a
// target that exists waits, and the transfer's errors through the session's message boxes.
#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <memory>

#include "shell/file_transfer.h"

namespace tessaly {

class Dialogs;

class TransferWindow : public TransferHost {
 public:
  TransferWindow(TransferKind kind, Dialogs& dialogs, QWidget* owner);
  ~TransferWindow() override;

  ConflictAnswer AskReplace(const std::string& target) override;
  bool Progress(const std::string& source, std::uint64_t bytesDone,
                std::uint64_t bytesTotal) override;
  void ReportError(const std::string& text) override;

  QProgressDialog& ProgressWindow() { return *progress_; }

 private:
  Dialogs& dialogs_;
  QWidget* owner_;
  std::unique_ptr<QProgressDialog> progress_;
  QProgressBar* bar_;
  // The time spent working since the start or the last question.
  QElapsedTimer working_;
};

}  // namespace tessaly
