// The main window's list of the browsed folder (folders first, then the
// files that match the filter), in the order ListFolder made it.
#pragma once

#include <QAbstractTableModel>
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
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override;

 private:
  const QIcon& IconFor(const std::string& key) const;

  std::string folder_;
  // Rows read their size and date when first shown.
  mutable std::vector<FileListItem> items_;
  mutable QHash<QString, QIcon> icons_;
};

class FileListView : public QTreeView {
  Q_OBJECT

 public:
  // Finds the row that a typed character selects; -1 for none.
  using TypeToFind = std::function<int(const std::vector<FileListItem>&, int keyCode)>;

  explicit FileListView(QWidget* parent = nullptr);

  void SetItems(const std::string& folder, std::vector<FileListItem> items);
  const std::vector<FileListItem>& Items() const { return model_.Items(); }
  // Selected rows in list order.
  std::vector<int> SelectedRows() const;
  void SelectRow(int row);
  void SetAllSelected(bool selected);
  void SetTypeToFind(TypeToFind find) { typeToFind_ = std::move(find); }
  // The mouse button of the last mouse-down on the list (LastButton).
  Qt::MouseButton LastButton() const { return lastButton_; }

 signals:
  // A mouse click (button released) on an item, after the selection followed it.
  void ItemClicked(Qt::MouseButton lastButton, const QPoint& globalPos);
  void ItemDoubleClicked();
  // The selection changed by any road (mouse, keyboard, type-to-find, select all).
  void SelectionChanged();

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
  Qt::MouseButton lastButton_ = Qt::NoButton;
  bool pressedOnItem_ = false;
};

}  // namespace tessaly
