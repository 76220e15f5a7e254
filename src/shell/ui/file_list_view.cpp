#include "shell/ui/file_list_view.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <algorithm>
#include <unordered_map>

#include "platform/ui/desktop_conventions.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

namespace {

enum Column { kName, kSize, kModified, kColumnCount };

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::SetItems(const std::string& folder, std::vector<FileListItem> items) {
  beginResetModel();
  folder_ = folder;
  items_ = std::move(items);
  SortItems();
  endResetModel();
}

void FileListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  sortColumn_ = column;
  sortOrder_ = order;
  emit layoutAboutToBeChanged();
  const std::vector<FileListItem> before = items_;
  SortItems();
  // The selection and the current row follow their items.
  std::unordered_map<std::string, int> newRow;
  for (size_t row = 0; row < items_.size(); ++row) newRow[items_[row].text] = static_cast<int>(row);
  QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& index : from) {
    to.append(this->index(newRow[before[static_cast<size_t>(index.row())].text], index.column()));
  }
  changePersistentIndexList(from, to);
  emit layoutChanged();
}

void FileListModel::SortItems() {
  if (sortColumn_ < 0) return;
  if (sortColumn_ != kName) {
    for (FileListItem& item : items_) LoadFileDetails(folder_, item);
  }
  const bool descending = sortOrder_ == Qt::DescendingOrder;
  const int column = sortColumn_;
  std::stable_sort(items_.begin(), items_.end(), [&](const FileListItem& a, const FileListItem& b) {
    const bool aFolder = !a.tag.empty();
    if (aFolder != !b.tag.empty()) return aFolder;
    const FileListItem& first = descending ? b : a;
    const FileListItem& second = descending ? a : b;
    if (column == kSize && first.bytes != second.bytes) return first.bytes < second.bytes;
    if (column == kModified && first.mtime != second.mtime) return first.mtime < second.mtime;
    return NameOrderBefore(first.text, second.text);
  });
}

QString FileListModel::PathOf(int row) const {
  return Q(folder_ + items_[static_cast<size_t>(row)].text);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

const QIcon& FileListModel::IconFor(const std::string& key) const {
  const QString name = Q(key);
  auto found = icons_.find(name);
  if (found == icons_.end()) found = icons_.insert(name, FileTypeIcon(key));
  return *found;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(items_.size())) return {};
  FileListItem& item = items_[static_cast<size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    if (index.column() != kName) LoadFileDetails(folder_, item);
    switch (index.column()) {
      case kName:
        return Q(item.text);
      case kSize:
        return Q(item.size);
      case kModified:
        return item.tag.empty() && !item.size.empty() ? LocalDateText(item.mtime) : QString();
      default:
        return {};
    }
  }
  if (role == Qt::EditRole && index.column() == kName) return Q(item.text);
  if (role == Qt::DecorationRole && index.column() == kName) return IconFor(item.iconKey);
  return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kName:
      return QStringLiteral("Name");
    case kSize:
      return QStringLiteral("Size");
    case kModified:
      return QStringLiteral("Modified");
    default:
      return {};
  }
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags =
      Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
  if (renamer_ && index.column() == kName) flags |= Qt::ItemIsEditable;
  return flags;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !renamer_ || index.column() != kName ||
      index.row() >= static_cast<int>(items_.size()))
    return false;
  FileListItem& item = items_[static_cast<size_t>(index.row())];
  const std::string newName = value.toString().toStdString();
  if (newName == item.text) return false;
  const std::string why = renamer_(item.text, newName);
  if (!why.empty()) return false;
  item.text = newName;
  if (!item.tag.empty()) item.tag = folder_ + newName;
  emit dataChanged(index, index);
  return true;
}

QStringList FileListModel::mimeTypes() const {
  return {QStringLiteral("text/uri-list")};
}

QMimeData* FileListModel::mimeData(const QModelIndexList& indexes) const {
  QList<int> rows;
  for (const QModelIndex& index : indexes) {
    if (index.column() == kName) rows.append(index.row());
  }
  std::sort(rows.begin(), rows.end());
  QList<QUrl> urls;
  urls.reserve(rows.size());
  for (int row : rows) urls.append(QUrl::fromLocalFile(PathOf(row)));
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

Qt::DropActions FileListModel::supportedDragActions() const {
  return Qt::CopyAction;
}

FileListView::FileListView(QWidget* parent) : QTreeView(parent) {
  setObjectName(QStringLiteral("file1"));
  setModel(&model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setDefaultDropAction(Qt::CopyAction);
  setIconSize(QSize(16, 16));
  SortOnHeaderClicks(header(),
                     [this](int column, Qt::SortOrder order) { model_.sort(column, order); });
  header()->setStretchLastSection(true);
  header()->resizeSection(kName, 200);
  header()->resizeSection(kSize, 80);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { emit SelectionChanged(); });
}

void FileListView::SetRenamer(FileListModel::Renamer renamer) {
  // The outcome is told after the edit has closed, so a message box does not open
  // inside the editor's commit.
  model_.SetRenamer(
      [this, renamer = std::move(renamer)](const std::string& oldName, const std::string& newName) {
        const std::string why = renamer(oldName, newName);
        if (why.empty()) {
          QTimer::singleShot(0, this, [this] { emit ItemRenamed(); });
        } else {
          QTimer::singleShot(0, this, [this, why] { emit RenameRefused(Q(why)); });
        }
        return why;
      });
}

void FileListView::StartRename() {
  const QModelIndex current = currentIndex();
  if (current.isValid()) edit(current.siblingAtColumn(kName));
}

void FileListView::SetItems(const std::string& folder, std::vector<FileListItem> items) {
  model_.SetItems(folder, std::move(items));
  // The list selects nothing by itself after a refill.
  selectionModel()->clear();
}

std::vector<int> FileListView::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void FileListView::SelectRow(int row) {
  const QModelIndex index = model_.index(row, kName);
  if (!index.isValid()) return;
  selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index);
}

void FileListView::SetAllSelected(bool selected) {
  if (!selected) {
    selectionModel()->clearSelection();
    return;
  }
  if (model_.rowCount() == 0) return;
  const QItemSelection all(model_.index(0, 0),
                           model_.index(model_.rowCount() - 1, kColumnCount - 1));
  selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void FileListView::mousePressEvent(QMouseEvent* event) {
  lastButton_ = event->button();
  pressedOnItem_ = indexAt(event->position().toPoint()).isValid();
  QTreeView::mousePressEvent(event);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  if (pressedOnItem_ && indexAt(event->position().toPoint()).isValid()) {
    pressedOnItem_ = false;
    emit ItemClicked(lastButton_, event->globalPosition().toPoint());
  }
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) {
    emit ItemDoubleClicked();
  }
}

void FileListView::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
  const QString text = event->text();
  if (sinceTyped_.isValid() && sinceTyped_.elapsed() > QApplication::keyboardInputInterval()) {
    typed_.clear();
  }
  // A space starts nothing: alone it is the list's own selection key.
  const bool typing = plain && typeToFind_ && !text.isEmpty() && text.front().isPrint() &&
                      (!text.front().isSpace() || !typed_.isEmpty());
  if (typing) {
    typed_ += text;
    sinceTyped_.start();
    const QModelIndex current = currentIndex();
    const int row = typeToFind_(model_.Items(), typed_, current.isValid() ? current.row() : -1);
    if (row >= 0) SelectRow(row);
    event->accept();
    return;
  }
  typed_.clear();
  QTreeView::keyPressEvent(event);
}

bool FileListView::ShowWideItemTip(const QPoint& viewportPos, const QPoint& globalPos) {
  const QModelIndex index = indexAt(viewportPos);
  if (!index.isValid()) return false;
  const QModelIndex nameIndex = model_.index(index.row(), kName);
  const QString text = nameIndex.data().toString();
  const int textWidth = fontMetrics().horizontalAdvance(text) + iconSize().width() + 12;
  // Only a name that does not fit gets its tip.
  if (textWidth < columnWidth(kName) && textWidth < viewport()->width()) return false;
  QToolTip::showText(globalPos, text, viewport(), visualRect(nameIndex));
  return true;
}

bool FileListView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    if (!ShowWideItemTip(help->pos(), help->globalPos())) QToolTip::hideText();
    return true;
  }
  return QTreeView::viewportEvent(event);
}

void FileListView::startDrag(Qt::DropActions) {
  const QModelIndexList rows = selectionModel()->selectedRows();
  if (rows.isEmpty()) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(model_.mimeData(rows));
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace tessaly
