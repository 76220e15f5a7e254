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
      ft1_(new FolderTree),
      tree_(std::make_unique<TreeAdapter>(*ft1_)),
      form_(std::make_unique<Form2>(*tree_)),
      label1_(new QLabel(kForm2Label1)),
      frame1_(new QGroupBox),
      label2_(new QLabel),
      check1_(new QCheckBox(kForm2Check1)),
      command1_(new QPushButton("OK")),
      command2_(new QPushButton("New")),
      command3_(new QPushButton("Cancel")),
      command4_(new QPushButton) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setObjectName("Form2");
  ft1_->setObjectName("FT1");
  label1_->setObjectName("Label1");
  frame1_->setObjectName("Frame1");
  label2_->setObjectName("Label2");
  check1_->setObjectName("Check1");
  command1_->setObjectName("Command1");
  command2_->setObjectName("Command2");
  command3_->setObjectName("Command3");
  command4_->setObjectName("Command4");
  label1_->setWordWrap(true);
  label2_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A long path must not widen the fixed dialog: it wraps after its "/" and takes
  // room from the tree. A name too long for a line still shows whole in the tooltip.
  label2_->setWordWrap(true);
  label2_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  check1_->setVisible(false);
  command4_->setIcon(ImageList1Icon(kUpOneLevelImage));
  command4_->setToolTip("Up One Level");
  command1_->setDefault(true);
  for (QPushButton* button : {command2_, command3_, command4_}) button->setAutoDefault(false);

  auto* frameLayout = new QVBoxLayout(frame1_);
  frameLayout->addWidget(ft1_, 1);
  frameLayout->addWidget(label2_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(command3_);
  buttons->addWidget(command2_);
  buttons->addWidget(command4_);
  buttons->addWidget(command1_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label1_);
  layout->addWidget(frame1_, 1);
  layout->addLayout(buttons);
  layout->addWidget(check1_);

  connect(ft1_, &FolderTree::FolderSelected, this,
          [this](FolderNodeKind kind, const QString& path, bool) {
            form_->SelectionChanged(ToTreeNodeKind(kind), path.toStdString());
            ShowForm();
          });
  connect(command1_, &QPushButton::clicked, this, [this] { Ok(); });
  connect(command2_, &QPushButton::clicked, this, [this] {
    form_->Command2_Click(session_);
    ShowForm();
  });
  connect(command3_, &QPushButton::clicked, this, [this] {
    form_->Command3_Click(session_);
    reject();
  });
  connect(command4_, &QPushButton::clicked, this, [this] { form_->Command4_Click(); });
  connect(check1_, &QCheckBox::toggled, this, [this](bool ticked) { form_->Check1 = ticked; });
}

DestinationWindow::~DestinationWindow() = default;

void DestinationWindow::Load(const DestinationRequest& request) {
  form_->Load(session_, request);
  check1_->setChecked(form_->Check1);
  check1_->setVisible(form_->Check1Visible);
  const int heightTwips = form_->Check1Visible ? kEnlargedHeightTwips : kClientHeightTwips;
  const QSize needed = layout()->totalMinimumSize();
  setFixedSize(std::max(kClientWidthTwips / kTwipsPerPixel, needed.width()),
               std::max(heightTwips / kTwipsPerPixel, needed.height()));
  ShowForm();
}

DestinationAnswer DestinationWindow::Answer() const {
  return form_->Answer(session_);
}

void DestinationWindow::ShowForm() {
  setWindowTitle(QString::fromStdString(form_->Caption));
  label2_->setText(QString::fromStdString(form_->Label2));
  label2_->setToolTip(label2_->text());
  command1_->setEnabled(form_->Command1Enabled);
  command2_->setEnabled(form_->Command2Enabled);
}

void DestinationWindow::Ok() {
  form_->Command1_Click(session_);
  if (form_->closed) accept();
}

DestinationAnswer RunDestinationDialog(Session& session, const DestinationRequest& request,
                                       QWidget* owner) {
  DestinationWindow window(session, owner);
  window.Load(request);
  window.exec();
  return window.Answer();
}

}  // namespace tessaly
