// Form1's controls and how they are laid out: the frames fill the window and the
// Extract button stands beside the destination frame.
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>

#include "platform/ui/folder_tree.h"
#include "shell/browser_logic.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/main_window.h"
#include "winsupport/ui/split_panes.h"

namespace tessaly {

namespace {

constexpr const char* kMakerNotice = "Tessaly 3.6 by Brindlemoor";

// The local files a drag carries, in drag order.
std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

// The room of Command2, the large Extract button, which takes the files dropped on
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
  void dragEnterEvent(QDragEnterEvent* event) override { Answer(event); }
  void dragMoveEvent(QDragMoveEvent* event) override { Answer(event); }
  void dropEvent(QDropEvent* event) override {
    std::vector<std::string> paths = LocalFiles(event->mimeData());
    if (paths.empty()) {
      event->ignore();
      return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    onDrop_(std::move(paths));
  }

 private:
  // Copy when the data carries files, nothing otherwise.
  static void Answer(QDropEvent* event) {
    if (LocalFiles(event->mimeData()).empty()) {
      event->setDropAction(Qt::IgnoreAction);
      event->ignore();
      return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }

  std::function<void(std::vector<std::string>)> onDrop_;
};

}  // namespace

void Form1::BuildControls() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(4, 2, 4, 2);
  column->setSpacing(4);

  Frame1_ = new QGroupBox(QStringLiteral("Select Files:"), central);
  Frame1_->setObjectName(QStringLiteral("Frame1"));
  auto* frame1Layout = new QVBoxLayout(Frame1_);
  frame1Layout->setContentsMargins(4, 2, 4, 4);
  pbx_ = new SplitPanes(Frame1_);
  pbx_->setObjectName(QStringLiteral("pbx"));
  ExplorerTree1_ = new FolderTree(pbx_);
  ExplorerTree1_->setObjectName(QStringLiteral("ExplorerTree1"));
  file1_ = new FileListView(pbx_);
  frame1Layout->addWidget(pbx_, 1);

  auto* filterRow = new QHBoxLayout;
  Label1_ = new QLabel(QStringLiteral("Show:"), Frame1_);
  Label1_->setObjectName(QStringLiteral("Label1"));
  Combo2_ = new QComboBox(Frame1_);
  Combo2_->setObjectName(QStringLiteral("Combo2"));
  Combo2_->setToolTip(
      QStringLiteral("Select the type of files to be displayed in the file selection box."));
  for (const std::string& caption : FilterCaptions()) {
    Combo2_->addItem(QString::fromStdString(caption));
  }
  Label1_->setBuddy(Combo2_);
  filterRow->addWidget(Label1_);
  filterRow->addWidget(Combo2_);
  filterRow->addStretch(1);
  frame1Layout->addLayout(filterRow);
  column->addWidget(Frame1_, 1);

  auto* bottomRow = new QHBoxLayout;
  Frame2_ = new QGroupBox(QStringLiteral("Choose Destination Folder:"), central);
  Frame2_->setObjectName(QStringLiteral("Frame2"));
  auto* frame2Layout = new QGridLayout(Frame2_);
  frame2Layout->setContentsMargins(6, 2, 6, 4);
  frame2Layout->setVerticalSpacing(2);
  Combo1_ = new QComboBox(Frame2_);
  Combo1_->setObjectName(QStringLiteral("Combo1"));
  Combo1_->setEditable(true);
  Combo1_->setInsertPolicy(QComboBox::NoInsert);
  Combo1_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  Combo1_->setToolTip(
      QStringLiteral("Type, paste, or select the name of the folder to extract files to here."));
  Combo1_->installEventFilter(this);
  Combo1_->lineEdit()->installEventFilter(this);
  Command1_ = new QPushButton(QStringLiteral("..."), Frame2_);
  Command1_->setObjectName(QStringLiteral("Command1"));
  Command1_->setToolTip(QStringLiteral("Click to browse for destination folder."));
  Command1_->setFixedWidth(32);
  Check1_ = new QCheckBox(QStringLiteral("Create new folder under this one for each zip in set."),
                          Frame2_);
  Check1_->setObjectName(QStringLiteral("Check1"));
  Check1_->setToolTip(
      QStringLiteral("Check here to extract each selected zip file into a new folder named for "
                     "itself under the destination folder."));
  frame2Layout->addWidget(Combo1_, 0, 0);
  frame2Layout->addWidget(Command1_, 0, 1);
  frame2Layout->addWidget(Check1_, 1, 0, 1, 2);
  bottomRow->addWidget(Frame2_, 1);

  Command2_ = new QPushButton(QStringLiteral("Extract"), central);
  Command2_->setObjectName(QStringLiteral("Command2"));
  Command2_->setToolTip(
      QStringLiteral("Click this button to extract selected archive files or drag and drop "
                     "archive files here to extract them."));
  Command2_->setMinimumSize(110, 60);
  Command2_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  QFont large = Command2_->font();
  large.setPointSizeF(large.pointSizeF() * 1.4);
  large.setBold(true);
  Command2_->setFont(large);
  bottomRow->addWidget(new ExtractDropArea(
      Command2_, [this](std::vector<std::string> paths) { ExtractDropped(paths); }, central));
  column->addLayout(bottomRow);
  setCentralWidget(central);

  QStatusBar* sbStatusBar = statusBar();
  sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
  pnlStatus_ = new QLabel(sbStatusBar);
  pnlStatus_->setObjectName(QStringLiteral("pnlStatus"));
  pnlProgress_ = new QLabel(sbStatusBar);
  pnlProgress_->setObjectName(QStringLiteral("pnlProgress"));
  sbStatusBar->addWidget(pnlStatus_, 1);
  sbStatusBar->addPermanentWidget(pnlProgress_);

  // The window never shrinks below its design client size.
  setMinimumSize(515, 346);
}

QString Form1::StatusPanelText(int panel) const {
  return panel == 1 ? pnlStatus_->text() : pnlProgress_->text();
}

void Form1::ShowStatusPanels() {
  pnlStatus_->setText(QString::fromUtf8(kMakerNotice));
  pnlProgress_->setText(QString::fromStdString(model_.pnlProgress));
}

}  // namespace tessaly
