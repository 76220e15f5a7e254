// The Edit Favorite Folders dialog: a folder tree to pick folders from and the list of
// favourites, shown modally. Done saves the list; Cancel, Escape and the close box
// leave everything as it was.
#pragma once

#include <QDialog>
#include <string>

#include "shell/favourites.h"

class QListWidget;
class QPushButton;

namespace tessaly {

class Dialogs;
class FolderTree;

class FavouritesDialog : public QDialog {
  Q_OBJECT

 public:
  // The list starts from the stored favourites unless menu shows none; the tree starts
  // at startFolder. The refusals are asked through dialogs.
  FavouritesDialog(Dialogs& dialogs, const FavouritesMenu& menu, const std::string& startFolder,
                   QWidget* owner = nullptr);

  // After Done: the menu that shows the saved list.
  const FavouritesMenu& Menu() const { return menu_; }

  FolderTree* Tree() const { return folderTree_; }
  QListWidget* List() const { return favouritesList_; }
  QPushButton* AddButton() const { return addButton_; }
  QPushButton* RemoveButton() const { return removeButton_; }
  QPushButton* UpButton() const { return upButton_; }
  QPushButton* DoneButton() const { return doneButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 private:
  void ShowList();

  Dialogs& dialogs_;
  FavouritesEditor editor_;
  FavouritesMenu menu_;
  FolderTree* folderTree_;
  QListWidget* favouritesList_;
  QPushButton* addButton_;
  QPushButton* removeButton_;
  QPushButton* upButton_;
  QPushButton* doneButton_;
  QPushButton* cancelButton_;
};

}  // namespace tessaly
