// The Important Message window (Form8): the archive-set notice. Modal.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace tessaly {

struct Session;
class Form8;

class ImportantMessageWindow : public QDialog {
  Q_OBJECT

 public:
  ImportantMessageWindow(Session& session, Form8& form, QWidget* owner);

  QCheckBox* Check1() const { return check1_; }
  QPushButton* Command1() const { return command1_; }

 private:
  Session& session_;
  Form8& form_;
  QCheckBox* check1_;
  QPushButton* command1_;
};

}  // namespace tessaly
