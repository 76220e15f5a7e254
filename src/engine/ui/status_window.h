// The Status window: shows the model's state and sends its buttons to the
// model's handlers. Non-modal, owned by the window that started the job.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "engine/extraction_dialogs.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tessaly {

struct Session;

// The bar's int range for a 64-bit count: the maximum and value divided alike.
struct BarRange {
  int max = 0;
  int value = 0;
};
BarRange ScaledBarRange(int64_t max, int64_t value);

class StatusWindow : public QDialog, public StatusView {
  Q_OBJECT

 public:
  StatusWindow(Session& session, QWidget* owner);
  ~StatusWindow() override;

  // Cheap when nothing changed: the engine calls it for every entry.
  void Refresh() override;

  QLabel* ArchiveLabel() const { return archiveLabel_; }
  QLabel* MessageLabel() const { return messageLabel_; }
  QProgressBar* ProgressBar() const { return progressBar_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QPushButton* BackgroundButton() const { return backgroundButton_; }

 protected:
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SyncText(QLabel* label, const std::string& text, std::string& shown);
  void SyncButton(QPushButton* button, const std::string& caption, bool enabled, bool visible,
                  std::string& shownCaption);

  Session& session_;
  StatusModel& model_;
  QLabel* archiveLabel_;
  QLabel* messageLabel_;
  QProgressBar* progressBar_;
  QPushButton* cancelButton_;
  QPushButton* backgroundButton_;
  std::string shownArc_;
  std::string shownMsg_;
  std::string shownCancelCaption_;
  std::string shownBackgroundCaption_;
  int64_t shownMax_ = -1;
  int64_t shownValue_ = -1;
};

}  // namespace tessaly
