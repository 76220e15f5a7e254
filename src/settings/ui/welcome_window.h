// The Welcome window: shown once, modally, at the very first start, before the main
// window. It carries no settings of its own.
#pragma once

#include <QDialog>

class QPushButton;

namespace tessaly {

class WelcomeWindow : public QDialog {
  Q_OBJECT

 public:
  explicit WelcomeWindow(QWidget* owner);

  QPushButton* OkButton() const { return okButton_; }

 private:
  QPushButton* okButton_;
};

}  // namespace tessaly
