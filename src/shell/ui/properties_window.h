// Properties of the selected files or of the tree's folder: name, type, location,
// size, times, owner, group and permissions; "<n> items" for several. Folders' sizes are
// counted in the background and the figure grows as it counts; closing the window stops
// the count.
#pragma once

#include <QDialog>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QPushButton;

namespace tessaly {

class PropertiesWindow : public QDialog {
  Q_OBJECT

 public:
  PropertiesWindow(const std::vector<std::string>& paths, QWidget* owner);
  ~PropertiesWindow() override;

  // The value label of a row, by its object name ("nameValue", "sizeValue", ...).
  QLabel* Value(const QString& objectName) const;
  QPushButton* CloseButton() const { return closeButton_; }
  // True until a folder's count has finished.
  bool Counting() const { return counting_; }

 private:
  void ShowCount(uint64_t total, bool finished);
  void StopCount();

  QPushButton* closeButton_ = nullptr;
  QLabel* sizeValue_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread counter_;
  bool counting_ = false;
};

}  // namespace tessaly
