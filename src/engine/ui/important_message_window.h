// The Important Message window: the archive-set notice. Modal.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace tessaly {

struct Session;
class ImportantMessageModel;

class ImportantMessageWindow : public QDialog {
  Q_OBJECT

 public:
  ImportantMessageWindow(Session& session, ImportantMessageModel& notice, QWidget* owner);

  QCheckBox* ShowAgainBox() const { return showAgainBox_; }
  QPushButton* OkButton() const { return okButton_; }

 private:
  Session& session_;
  ImportantMessageModel& model_;
  QCheckBox* showAgainBox_;
  QPushButton* okButton_;
};

}  // namespace tessaly
