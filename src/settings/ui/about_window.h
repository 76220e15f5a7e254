// The About window: the product picture, the version, a few words on the program and
// two links, the web page and the support address, that the desktop opens. Modal.
#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>

#include "platform/dialogs.h"

class QPushButton;

namespace tessaly {

// A label that acts as a link: underlined, a pointing hand, reached with Tab and run
// by a click, Enter or Space.
class LinkLabel : public QLabel {
 public:
  LinkLabel(const QString& text, std::function<void()> activated, QWidget* parent);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<void()> activated_;
};

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  // The messages of a failed start go through dialogs; events run while the desktop's
  // opener starts.
  AboutWindow(Dialogs& dialogs, EventPump& events, QWidget* owner);

  LinkLabel* WebLink() const { return webLink_; }
  LinkLabel* MailLink() const { return mailLink_; }
  QPushButton* OkButton() const { return okButton_; }

 private:
  // Opens target with the desktop; when nothing is set up to open it, says so with
  // failureText. Any other failure shows nothing.
  void Open(const std::string& target, const char* failureText);

  Dialogs& dialogs_;
  EventPump& events_;
  LinkLabel* webLink_;
  LinkLabel* mailLink_;
  QPushButton* okButton_;
  bool opening_ = false;
};

}  // namespace tessaly
