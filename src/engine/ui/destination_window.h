// The destination dialog (Form2): a thin view of the Form2 model around a folder
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
  const Form2& form() const { return *form_; }
  DestinationAnswer Answer() const;

  FolderTree* FT1() const { return ft1_; }
  QLabel* Label1() const { return label1_; }
  QLabel* Label2() const { return label2_; }
  QCheckBox* Check1() const { return check1_; }
  QPushButton* Command1() const { return command1_; }
  QPushButton* Command2() const { return command2_; }
  QPushButton* Command3() const { return command3_; }
  QPushButton* Command4() const { return command4_; }

 private:
  void ShowForm();
  void Ok();

  class TreeAdapter;
  Session& session_;
  FolderTree* ft1_;
  std::unique_ptr<TreeAdapter> tree_;
  std::unique_ptr<Form2> form_;
  QLabel* label1_;
  QGroupBox* frame1_;
  QLabel* label2_;
  QCheckBox* check1_;
  QPushButton* command1_;
  QPushButton* command2_;
  QPushButton* command3_;
  QPushButton* command4_;
};

// Shows Form2 modally over owner; returns the choice ("" when nothing was chosen).
DestinationAnswer RunDestinationDialog(Session& session, const DestinationRequest& request,
                                       QWidget* owner);

}  // namespace tessaly
