// The destination dialog: a thin view of the DestinationModel around a folder
// tree. Escape and the close box close it without a choice.
#pragma once

#include <QDialog>
#include <memory>

#include "engine/destination_dialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tessaly {

struct Session;
class FolderTree;

class DestinationWindow : public QDialog {
  Q_OBJECT

 public:
  DestinationWindow(Session& session, QWidget* owner = nullptr);
  ~DestinationWindow() override;

  void Load(const DestinationRequest& request);
  const DestinationModel& Model() const { return *model_; }
  DestinationAnswer Answer() const;

  FolderTree* Tree() const { return folderTree_; }
  QLabel* InstructionsLabel() const { return instructionsLabel_; }
  QLabel* ChosenFolderLabel() const { return chosenFolderLabel_; }
  QCheckBox* PerArchiveFolderBox() const { return perArchiveFolderBox_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* NewFolderButton() const { return newFolderButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QPushButton* UpButton() const { return upButton_; }

 private:
  void ShowModel();
  void Ok();

  class TreeAdapter;
  Session& session_;
  FolderTree* folderTree_;
  std::unique_ptr<TreeAdapter> tree_;
  std::unique_ptr<DestinationModel> model_;
  QLabel* instructionsLabel_;
  QGroupBox* folderFrame_;
  QLabel* chosenFolderLabel_;
  QCheckBox* perArchiveFolderBox_;
  QPushButton* okButton_;
  QPushButton* newFolderButton_;
  QPushButton* cancelButton_;
  QPushButton* upButton_;
};

// Shows the destination dialog modally over owner; returns the choice ("" when nothing was chosen).
DestinationAnswer RunDestinationDialog(Session& session, const DestinationRequest& request,
                                       QWidget* owner);

}  // namespace tessaly
