// The set-information window: the volumes of the selected archive's set with their
// dates and sizes, and their sum. Modal, owned by the main window.
#pragma once

#include <QDialog>
#include <string>

#include "engine/session.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tessaly {

class SetInfoWindow : public QDialog {
  Q_OBJECT

 public:
  // Reads the set of session.job.selectedFiles[0], of the type in session.job.currentExt.
  // selectedItemText, the main file list's selected item, names an ACE set's first row.
  SetInfoWindow(Session& session, const std::string& selectedItemText, QWidget* owner);

  QTreeWidget* VolumeList() const { return volumeList_; }
  QLabel* SummaryLabel() const { return summaryLabel_; }
  QPushButton* OkButton() const { return okButton_; }

 private:
  void Load(Session& session, const std::string& selectedItemText);

  QTreeWidget* volumeList_;
  QLabel* summaryLabel_;
  QPushButton* okButton_;
};

}  // namespace tessaly
