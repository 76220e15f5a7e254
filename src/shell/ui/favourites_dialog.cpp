#include "shell/ui/favourites_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "platform/ui/folder_tree.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

namespace {

constexpr int kUpOneLevelImage = 8;

}  // namespace

FavouritesDialog::FavouritesDialog(Dialogs& dialogs, const FavouritesMenu& menu,
                                   const std::string& startFolder, QWidget* owner)
    : QDialog(owner),
      dialogs_(dialogs),
      menu_(menu),
      folderTree_(new FolderTree),
      favouritesList_(new QListWidget),
      addButton_(new QPushButton("Add")),
      removeButton_(new QPushButton("Remove")),
      upButton_(new QPushButton),
      doneButton_(new QPushButton("Done")),
      cancelButton_(new QPushButton("Cancel")) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setObjectName("Form7");
  setWindowTitle("Edit Favorite Folders");
  folderTree_->setObjectName("FolderTreeview1");
  favouritesList_->setObjectName("List1");
  removeButton_->setObjectName("Command1");
  addButton_->setObjectName("Command2");
  cancelButton_->setObjectName("Command3");
  doneButton_->setObjectName("Command4");
  upButton_->setObjectName("Command5");
  upButton_->setIcon(CommandIcon(kUpOneLevelImage));
  upButton_->setToolTip("Up One Level");
  favouritesList_->setSelectionMode(QAbstractItemView::SingleSelection);
  doneButton_->setDefault(true);
  for (QPushButton* button : {addButton_, removeButton_, upButton_, cancelButton_})
    button->setAutoDefault(false);

  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  middle->addWidget(addButton_);
  middle->addWidget(removeButton_);
  middle->addStretch(1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(doneButton_);
  bottom->addWidget(cancelButton_);
  auto* layout = new QGridLayout(this);
  layout->addWidget(upButton_, 0, 0, Qt::AlignLeft);
  layout->addWidget(folderTree_, 1, 0);
  layout->addLayout(middle, 1, 1);
  layout->addWidget(favouritesList_, 1, 2);
  layout->addLayout(bottom, 2, 0, 1, 3);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(1, 1);
  resize(560, 360);

  connect(addButton_, &QPushButton::clicked, this, [this] {
    editor_.Add(dialogs_, folderTree_->SelectedPath().toStdString());
    ShowList();
  });
  connect(removeButton_, &QPushButton::clicked, this, [this] {
    editor_.Remove();
    ShowList();
  });
  connect(favouritesList_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> chosen = favouritesList_->selectedItems();
    editor_.selected = chosen.isEmpty() ? -1 : favouritesList_->row(chosen.front());
  });
  // The tree stays put at its "Desktop" root, which has no parent.
  connect(upButton_, &QPushButton::clicked, folderTree_, &FolderTree::SelectParent);
  connect(doneButton_, &QPushButton::clicked, this, [this] {
    menu_ = editor_.Done();
    accept();
  });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  editor_.Load(menu);
  ShowList();
  folderTree_->SelectFolder(QString::fromStdString(startFolder));
}

void FavouritesDialog::ShowList() {
  const QSignalBlocker quiet(favouritesList_);
  favouritesList_->clear();
  for (const std::string& folder : editor_.Folders())
    favouritesList_->addItem(QString::fromStdString(folder));
  if (editor_.selected >= 0) favouritesList_->setCurrentRow(editor_.selected);
}

}  // namespace tessaly
