#include "engine/ui/destination_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/session.h"
#include "platform/ui/folder_tree.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidthTwips = 3630;
constexpr int kClientHeightTwips = 4665;
constexpr int kEnlargedHeightTwips = 5475;
constexpr int kUpOneLevelImage = 8;

TreeNodeKind ToTreeNodeKind(FolderNodeKind kind) {
  switch (kind) {
    case FolderNodeKind::DesktopRoot:
      return TreeNodeKind::DesktopRoot;
    case FolderNodeKind::ComputerRoot:
      return TreeNodeKind::ComputerRoot;
    case FolderNodeKind::Folder:
      break;
  }
  return TreeNodeKind::Folder;
}

}  // namespace

class DestinationWindow::TreeAdapter : public FolderTreeControl {
 public:
  explicit TreeAdapter(FolderTree& tree) : tree_(tree) {}

  bool SelectFolder(const std::string& path) override {
    return tree_.SelectFolder(QString::fromStdString(path));
  }
  TreeNodeKind SelectedKind() const override { return ToTreeNodeKind(tree_.SelectedKind()); }
  std::string SelectedPath() const override { return tree_.SelectedPath().toStdString(); }
  std::string DesktopFolder() const override { return FolderTree::DesktopFolder().toStdString(); }
  void SelectParent() override { tree_.SelectParent(); }
  void Reread() override { tree_.Reread(); }

 private:
  FolderTree& tree_;
};

DestinationWindow::DestinationWindow(Session& session, QWidget* owner)
    : QDialog(owner),
      session_(session),
      folderTree_(new FolderTree),
      tree_(std::make_unique<TreeAdapter>(*folderTree_)),
      model_(std::make_unique<DestinationModel>(*tree_)),
      instructionsLabel_(new QLabel(kDestinationInstructions)),
      folderFrame_(new QGroupBox),
      chosenFolderLabel_(new QLabel),
      perArchiveFolderBox_(new QCheckBox(kPerArchiveFolderCaption)),
      okButton_(new QPushButton("OK")),
      newFolderButton_(new QPushButton("New")),
      cancelButton_(new QPushButton("Cancel")),
      upButton_(new QPushButton) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setObjectName("Form2");
  folderTree_->setObjectName("FT1");
  instructionsLabel_->setObjectName("Label1");
  folderFrame_->setObjectName("Frame1");
  chosenFolderLabel_->setObjectName("Label2");
  perArchiveFolderBox_->setObjectName("Check1");
  okButton_->setObjectName("Command1");
  newFolderButton_->setObjectName("Command2");
  cancelButton_->setObjectName("Command3");
  upButton_->setObjectName("Command4");
  instructionsLabel_->setWordWrap(true);
  chosenFolderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A long path must not widen the fixed dialog: it wraps after its "/" and takes
  // room from the tree. A name too long for a line still shows whole in the tooltip.
  chosenFolderLabel_->setWordWrap(true);
  chosenFolderLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  perArchiveFolderBox_->setVisible(false);
  upButton_->setIcon(CommandIcon(kUpOneLevelImage));
  upButton_->setToolTip("Up One Level");
  okButton_->setDefault(true);
  for (QPushButton* button : {newFolderButton_, cancelButton_, upButton_})
    button->setAutoDefault(false);

  auto* frameLayout = new QVBoxLayout(folderFrame_);
  frameLayout->addWidget(folderTree_, 1);
  frameLayout->addWidget(chosenFolderLabel_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cancelButton_);
  buttons->addWidget(newFolderButton_);
  buttons->addWidget(upButton_);
  buttons->addWidget(okButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(instructionsLabel_);
  layout->addWidget(folderFrame_, 1);
  layout->addLayout(buttons);
  layout->addWidget(perArchiveFolderBox_);

  connect(folderTree_, &FolderTree::FolderSelected, this,
          [this](FolderNodeKind kind, const QString& path, bool) {
            model_->SelectionChanged(ToTreeNodeKind(kind), path.toStdString());
            ShowModel();
          });
  connect(okButton_, &QPushButton::clicked, this, [this] { Ok(); });
  connect(newFolderButton_, &QPushButton::clicked, this, [this] {
    model_->NewFolderClicked(session_);
    ShowModel();
  });
  connect(cancelButton_, &QPushButton::clicked, this, [this] {
    model_->CancelClicked(session_);
    reject();
  });
  connect(upButton_, &QPushButton::clicked, this, [this] { model_->UpOneLevelClicked(); });
  connect(perArchiveFolderBox_, &QCheckBox::toggled, this,
          [this](bool ticked) { model_->perArchiveFolder = ticked; });
}

DestinationWindow::~DestinationWindow() = default;

void DestinationWindow::Load(const DestinationRequest& request) {
  model_->Load(session_, request);
  perArchiveFolderBox_->setChecked(model_->perArchiveFolder);
  perArchiveFolderBox_->setVisible(model_->perArchiveFolderVisible);
  const int heightTwips =
      model_->perArchiveFolderVisible ? kEnlargedHeightTwips : kClientHeightTwips;
  const QSize needed = layout()->totalMinimumSize();
  setFixedSize(std::max(kClientWidthTwips / kTwipsPerPixel, needed.width()),
               std::max(heightTwips / kTwipsPerPixel, needed.height()));
  ShowModel();
}

DestinationAnswer DestinationWindow::Answer() const {
  return model_->Answer(session_);
}

void DestinationWindow::ShowModel() {
  setWindowTitle(QString::fromStdString(model_->caption));
  chosenFolderLabel_->setText(QString::fromStdString(model_->chosenFolder));
  chosenFolderLabel_->setToolTip(chosenFolderLabel_->text());
  okButton_->setEnabled(model_->okEnabled);
  newFolderButton_->setEnabled(model_->newFolderEnabled);
}

void DestinationWindow::Ok() {
  model_->OkClicked(session_);
  if (model_->closed) accept();
}

DestinationAnswer RunDestinationDialog(Session& session, const DestinationRequest& request,
                                       QWidget* owner) {
  DestinationWindow window(session, owner);
  window.Load(request);
  window.exec();
  return window.Answer();
}

}  // namespace tessaly
