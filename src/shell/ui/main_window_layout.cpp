// The main window's controls and how they are laid out: the frames fill the window and the
// Extract button stands beside the destination frame.
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <functional>

#include "platform/ui/desktop_conventions.h"
#include "platform/ui/folder_tree.h"
#include "shell/browser_logic.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/main_window.h"
#include "winsupport/ui/split_panes.h"

namespace tessaly {

namespace {

constexpr const char* kMakerNotice = "Tessaly 3.6 by Brindlemoor";
constexpr const char* kExtractTip =
    "Click this button to extract selected archive files or drag and drop archive files here to "
    "extract them.";

// The room of the large Extract button, which takes the files dropped on
// the button: a disabled button (nothing to extract is selected) takes no drops, and
// Qt hands them on to the nearest parent that does.
class ExtractDropArea : public QWidget {
 public:
  ExtractDropArea(QPushButton* button, std::function<void(std::vector<std::string>)> onDrop,
                  QWidget* parent)
      : QWidget(parent), onDrop_(std::move(onDrop)) {
    setAcceptDrops(true);
    setSizePolicy(button->sizePolicy());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button);
  }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override { AnswerFileDrop(event); }
  void dragMoveEvent(QDragMoveEvent* event) override { AnswerFileDrop(event); }
  void dropEvent(QDropEvent* event) override {
    std::vector<std::string> paths = AnswerFileDrop(event);
    if (!paths.empty()) onDrop_(std::move(paths));
  }

 private:
  std::function<void(std::vector<std::string>)> onDrop_;
};

}  // namespace

void MainWindow::BuildControls() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(4, 2, 4, 2);
  column->setSpacing(4);

  filesFrame_ = new QGroupBox(QStringLiteral("Select Files:"), central);
  filesFrame_->setObjectName(QStringLiteral("Frame1"));
  auto* filesLayout = new QVBoxLayout(filesFrame_);
  filesLayout->setContentsMargins(4, 2, 4, 4);
  auto* locationRow = new QHBoxLayout;
  auto* locationLabel = new QLabel(QStringLiteral("&Location:"), filesFrame_);
  locationLabel->setObjectName(QStringLiteral("locationLabel"));
  locationBox_ = new QLineEdit(filesFrame_);
  locationBox_->setObjectName(QStringLiteral("locationBox"));
  locationBox_->setToolTip(
      QStringLiteral("Type or paste the path of a folder or file and press Enter to go there."));
  locationLabel->setBuddy(locationBox_);
  locationRow->addWidget(locationLabel);
  locationRow->addWidget(locationBox_, 1);
  filesLayout->addLayout(locationRow);
  panes_ = new SplitPanes(filesFrame_);
  panes_->setObjectName(QStringLiteral("pbx"));
  tree_ = new FolderTree(panes_);
  tree_->setObjectName(QStringLiteral("ExplorerTree1"));
  fileList_ = new FileListView(panes_);
  filesLayout->addWidget(panes_, 1);

  auto* filterRow = new QHBoxLayout;
  showLabel_ = new QLabel(QStringLiteral("Show:"), filesFrame_);
  showLabel_->setObjectName(QStringLiteral("Label1"));
  fileTypeFilter_ = new QComboBox(filesFrame_);
  fileTypeFilter_->setObjectName(QStringLiteral("Combo2"));
  fileTypeFilter_->setToolTip(
      QStringLiteral("Select the type of files to be displayed in the file selection box."));
  for (const std::string& caption : FilterCaptions()) {
    fileTypeFilter_->addItem(QString::fromStdString(caption));
  }
  showLabel_->setBuddy(fileTypeFilter_);
  filterRow->addWidget(showLabel_);
  filterRow->addWidget(fileTypeFilter_);
  filterRow->addStretch(1);
  filesLayout->addLayout(filterRow);
  column->addWidget(filesFrame_, 1);

  auto* bottomRow = new QHBoxLayout;
  destinationFrame_ = new QGroupBox(QStringLiteral("Choose Destination Folder:"), central);
  destinationFrame_->setObjectName(QStringLiteral("Frame2"));
  auto* destinationLayout = new QGridLayout(destinationFrame_);
  destinationLayout->setContentsMargins(6, 2, 6, 4);
  destinationLayout->setVerticalSpacing(2);
  destinationBox_ = new QComboBox(destinationFrame_);
  destinationBox_->setObjectName(QStringLiteral("Combo1"));
  destinationBox_->setEditable(true);
  destinationBox_->setInsertPolicy(QComboBox::NoInsert);
  destinationBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  destinationBox_->setToolTip(
      QStringLiteral("Type, paste, or select the name of the folder to extract files to here."));
  destinationBox_->installEventFilter(this);
  destinationBox_->lineEdit()->installEventFilter(this);
  browseButton_ = new QPushButton(QStringLiteral("..."), destinationFrame_);
  browseButton_->setObjectName(QStringLiteral("Command1"));
  browseButton_->setToolTip(QStringLiteral("Click to browse for destination folder."));
  browseButton_->setFixedWidth(32);
  perArchiveFolder_ = new QCheckBox(
      QStringLiteral("Create new folder under this one for each zip in set."), destinationFrame_);
  perArchiveFolder_->setObjectName(QStringLiteral("Check1"));
  perArchiveFolder_->setToolTip(
      QStringLiteral("Check here to extract each selected zip file into a new folder named for "
                     "itself under the destination folder."));
  destinationLayout->addWidget(destinationBox_, 0, 0);
  destinationLayout->addWidget(browseButton_, 0, 1);
  destinationLayout->addWidget(perArchiveFolder_, 1, 0, 1, 2);
  bottomRow->addWidget(destinationFrame_, 1);

  extractButton_ = new QPushButton(QStringLiteral("Extract"), central);
  extractButton_->setObjectName(QStringLiteral("Command2"));
  extractButton_->setToolTip(QString::fromUtf8(kExtractTip));
  extractButton_->setMinimumSize(110, 60);
  // Enter on the focused button extracts, as Space does.
  extractButton_->setAutoDefault(true);
  extractButton_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  QFont large = extractButton_->font();
  large.setPointSizeF(large.pointSizeF() * 1.4);
  large.setBold(true);
  extractButton_->setFont(large);
  bottomRow->addWidget(new ExtractDropArea(
      extractButton_, [this](std::vector<std::string> paths) { ExtractDropped(paths); }, central));
  column->addLayout(bottomRow);
  setCentralWidget(central);

  QStatusBar* panels = statusBar();
  panels->setObjectName(QStringLiteral("sbStatusBar"));
  noticePanel_ = new QLabel(panels);
  noticePanel_->setObjectName(QStringLiteral("pnlStatus"));
  selectionPanel_ = new QLabel(panels);
  selectionPanel_->setObjectName(QStringLiteral("pnlProgress"));
  panels->addWidget(noticePanel_, 1);
  panels->addPermanentWidget(selectionPanel_);

  // The window never shrinks below its design client size.
  setMinimumSize(515, 346);
}

void MainWindow::ShowExtractRefusal() {
  // A greyed Extract says why where the user looks: its tip and the status bar.
  const QString refusal = QString::fromStdString(browser_.extractRefusal);
  extractButton_->setToolTip(refusal.isEmpty() ? QString::fromUtf8(kExtractTip) : refusal);
  noticePanel_->setText(refusal.isEmpty() ? QString::fromUtf8(kMakerNotice) : refusal);
}

QString MainWindow::StatusPanelText(int panel) const {
  return panel == 1 ? noticePanel_->text() : selectionPanel_->text();
}

void MainWindow::ShowStatusPanels() {
  noticePanel_->setText(QString::fromUtf8(kMakerNotice));
  selectionPanel_->setText(QString::fromStdString(browser_.selectionStatus));
}

}  // namespace tessaly
