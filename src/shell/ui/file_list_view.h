// The main window's list of the browsed folder (folders first, then the
// files that match the filter), in the order ListFolder made it.
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QHash>
#include <QIcon>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "platform/folder_listing.h"

namespace tessaly {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Renames an item's file in the listed folder; "" when done, else why not.
  using Renamer =
      std::function<std::string(const std::string& oldName, const std::string& newName)>;

  explicit FileListModel(QObject* parent = nullptr);

  // folder ends in "/": the prefix of every dragged path.
  void SetItems(const std::string& folder, std::vector<FileListItem> items);
  const std::vector<FileListItem>& Items() const { return items_; }
  QString PathOf(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // The end of a name's in-place edit: the renamer decides; a refused name keeps the old text.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  void SetRenamer(Renamer renamer) { renamer_ = std::move(renamer); }
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override;
  // Folders stay first; a refill keeps the order the user chose. Until then the rows
  // keep ListFolder's order.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  const QIcon& IconFor(const std::string& key) const;
  void SortItems();

  Renamer renamer_;
  std::string folder_;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  // Rows read their size and date when first shown.
  mutable std::vector<FileListItem> items_;
  mutable QHash<QString, QIcon> icons_;
};

class FileListView : public QTreeView {
  Q_OBJECT

 public:
  // Finds the row that the text typed so far selects, from the current row; -1 for none.
  using TypeToFind =
      std::function<int(const std::vector<FileListItem>&, const QString& typed, int currentRow)>;

  explicit FileListView(QWidget* parent = nullptr);

  void SetItems(const std::string& folder, std::vector<FileListItem> items);
  const std::vector<FileListItem>& Items() const { return model_.Items(); }
  // Selected rows in list order.
  std::vector<int> SelectedRows() const;
  void SelectRow(int row);
  void SetAllSelected(bool selected);
  void SetTypeToFind(TypeToFind find) { typeToFind_ = std::move(find); }
  void SetRenamer(FileListModel::Renamer renamer);
  // Starts the in-place edit of the current item's name.
  void StartRename();
  // The mouse button of the last mouse-down on the list (LastButton).
  Qt::MouseButton LastButton() const { return lastButton_; }

 signals:
  // A mouse click (button released) on an item, after the selection followed it.
  void ItemClicked(Qt::MouseButton lastButton, const QPoint& globalPos);
  void ItemDoubleClicked();
  // The selection changed by any road (mouse, keyboard, type-to-find, select all).
  void SelectionChanged();
  // An in-place rename went through, or was refused (the old text is back) for why.
  void ItemRenamed();
  void RenameRefused(const QString& why);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  bool ShowWideItemTip(const QPoint& viewportPos, const QPoint& globalPos);

  FileListModel model_;
  TypeToFind typeToFind_;
  // Keys typed in quick succession make one prefix, as in file managers.
  QString typed_;
  QElapsedTimer sinceTyped_;
  Qt::MouseButton lastButton_ = Qt::NoButton;
  bool pressedOnItem_ = false;
};

}  // namespace tessaly
