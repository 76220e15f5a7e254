// Find Files: names matching a pattern in a folder and below, listed as they are
// found by a worker thread, with a Stop button. Double-clicking a result asks the
// main window to show it.
#pragma once

#include <QDialog>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tessaly {

class FindWindow : public QDialog {
  Q_OBJECT

 public:
  FindWindow(const std::string& folder, QWidget* owner);
  ~FindWindow() override;

  QLineEdit* PatternBox() const { return patternBox_; }
  QLineEdit* FolderBox() const { return folderBox_; }
  QPushButton* FindButton() const { return findButton_; }
  QPushButton* StopButton() const { return stopButton_; }
  QTreeWidget* ResultList() const { return resultList_; }
  QLabel* StatusLabel() const { return statusLabel_; }
  bool Searching() const { return searching_; }

  // Starts a search with the boxes' pattern and folder; one running is stopped first.
  void StartSearch();
  void StopSearch();

 signals:
  // A result was double-clicked: its full path.
  void ResultChosen(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void AddResults(const std::vector<std::string>& paths);
  void SearchEnded();
  void ShowCount();

  QLineEdit* patternBox_;
  QLineEdit* folderBox_;
  QPushButton* findButton_;
  QPushButton* stopButton_;
  QTreeWidget* resultList_;
  QLabel* statusLabel_;
  std::atomic<bool> stop_{false};
  std::thread worker_;
  bool searching_ = false;
  // Counts searches, so results of a stopped one that arrive late are dropped.
  int generation_ = 0;
};

}  // namespace tessaly
