// The main window's ways to other folders: the favourites and their dialog, the last
// destination, one level up, and the folder browsed as the destination.
#include <QAction>

#include "platform/ui/folder_tree.h"
#include "settings/destination_history.h"
#include "shell/ui/favourites_dialog.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/main_window.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

void MainWindow::ShowFavourites() {
  for (int i = 0; i < kFavouriteSlots; ++i) {
    const FavouriteEntry& entry = favourites_[static_cast<size_t>(i)];
    QAction* action = actions_.at(QStringLiteral("favs%1").arg(i));
    action->setText(QString::fromStdString(entry.caption));
    action->setIcon(MenuIconFor(action->text()));
    action->setVisible(entry.visible);
    action->setEnabled(entry.enabled);
  }
}

void MainWindow::OpenFavourite(int slot) {
  // The slot as stored now; a folder that has gone since leaves the tree where it is.
  const std::string folder = ReadFavourites()[static_cast<size_t>(slot)];
  if (!folder.empty()) tree_->SelectFolder(QString::fromStdString(folder));
}

void MainWindow::AddFolderToFavourites() {
  AddToFavourites(session_.dialogs, model_.currentFolder, favourites_);
  ShowFavourites();
}

void MainWindow::EditFavourites() {
  FavouritesDialog dialog(session_.dialogs, favourites_, model_.currentFolder, this);
  if (dialog.exec() != QDialog::Accepted) return;
  favourites_ = dialog.Menu();
  ShowFavourites();
}

void MainWindow::OpenLastDestination() {
  const std::string folder = StoredLastDestination();
  if (!folder.empty()) tree_->SelectFolder(QString::fromStdString(folder));
  fileList_->viewport()->update();
}

void MainWindow::UpOneLevel() {
  tree_->SelectParent();
}

void MainWindow::SetFolderAsDestination() {
  // A virtual node of the tree ("Desktop", "Computer") is no folder to extract to.
  if (model_.currentFolder.empty()) return;
  model_.destinationBox.text = model_.currentFolder;
  ShowDestinationBox();
}

}  // namespace tessaly
