// The small window that says a reader is at work before any Status window shows, with
// the Cancel that ends it.
#pragma once

#include <QDialog>

#include "platform/dialogs.h"

class QPushButton;

namespace tessaly {

class ReadingWindow : public QDialog {
  Q_OBJECT

 public:
  ReadingWindow(ReadingNotice& notice, QWidget* parent);
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  void reject() override;

 private:
  ReadingNotice& notice_;
  QPushButton* cancel_;
};

}  // namespace tessaly
