#include "shell/ui/find_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "shell/find_files.h"

namespace tessaly {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

FindWindow::FindWindow(const std::string& folder, QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("FindWindow"));
  setWindowTitle(QStringLiteral("Find Files"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Named:"), this), 0, 0);
  patternBox_ = new QLineEdit(this);
  patternBox_->setObjectName(QStringLiteral("patternBox"));
  patternBox_->setText(QStringLiteral("*.zip"));
  layout->addWidget(patternBox_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Look in:"), this), 1, 0);
  folderBox_ = new QLineEdit(Q(folder), this);
  folderBox_->setObjectName(QStringLiteral("folderBox"));
  layout->addWidget(folderBox_, 1, 1);
  findButton_ = new QPushButton(QStringLiteral("&Find"), this);
  findButton_->setObjectName(QStringLiteral("findButton"));
  findButton_->setDefault(true);
  layout->addWidget(findButton_, 0, 2);
  stopButton_ = new QPushButton(QStringLiteral("&Stop"), this);
  stopButton_->setObjectName(QStringLiteral("stopButton"));
  stopButton_->setEnabled(false);
  layout->addWidget(stopButton_, 1, 2);
  resultList_ = new QTreeWidget(this);
  resultList_->setObjectName(QStringLiteral("resultList"));
  resultList_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("In Folder")});
  resultList_->setRootIsDecorated(false);
  resultList_->setUniformRowHeights(true);
  resultList_->header()->resizeSection(0, 180);
  layout->addWidget(resultList_, 2, 0, 1, 3);
  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("statusLabel"));
  layout->addWidget(statusLabel_, 3, 0, 1, 3);
  resize(520, 360);

  connect(findButton_, &QPushButton::clicked, this, &FindWindow::StartSearch);
  connect(this, &QDialog::finished, this, &FindWindow::StopSearch);
  connect(stopButton_, &QPushButton::clicked, this, &FindWindow::StopSearch);
  connect(resultList_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    emit ResultChosen(item->data(0, Qt::UserRole).toString());
  });
}

FindWindow::~FindWindow() {
  StopSearch();
}

void FindWindow::StartSearch() {
  StopSearch();
  resultList_->clear();
  stop_ = false;
  searching_ = true;
  const int generation = ++generation_;
  findButton_->setEnabled(false);
  stopButton_->setEnabled(true);
  ShowCount();
  const std::string folder = folderBox_->text().toStdString();
  const std::string pattern = patternBox_->text().toStdString();
  worker_ = std::thread([this, folder, pattern, generation] {
    // Batches are posted to the window; Qt drops them once the window is gone.
    FindFiles(folder, pattern, stop_, [this, generation](std::vector<std::string> batch) {
      QMetaObject::invokeMethod(
          this,
          [this, generation, batch = std::move(batch)] {
            if (generation == generation_) AddResults(batch);
          },
          Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
          if (generation == generation_) SearchEnded();
        },
        Qt::QueuedConnection);
  });
}

void FindWindow::StopSearch() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
  if (searching_) SearchEnded();
}

void FindWindow::AddResults(const std::vector<std::string>& paths) {
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<int>(paths.size()));
  for (const std::string& path : paths) {
    const size_t slash = path.rfind('/');
    auto* item = new QTreeWidgetItem({Q(path.substr(slash + 1)), Q(path.substr(0, slash + 1))});
    item->setData(0, Qt::UserRole, Q(path));
    items.append(item);
  }
  resultList_->addTopLevelItems(items);
  ShowCount();
}

void FindWindow::SearchEnded() {
  searching_ = false;
  findButton_->setEnabled(true);
  stopButton_->setEnabled(false);
  ShowCount();
}

void FindWindow::ShowCount() {
  const QString count = QStringLiteral("%1 found").arg(resultList_->topLevelItemCount());
  statusLabel_->setText(searching_ ? count + QStringLiteral(", searching...") : count);
}

void FindWindow::closeEvent(QCloseEvent* event) {
  StopSearch();
  QDialog::closeEvent(event);
}

}  // namespace tessaly
