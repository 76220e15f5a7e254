#include "platform/ui/folder_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>

#include "platform/ui/folder_tree_model.h"

namespace tessaly {

namespace {

QString WithSlash(const QString& path) {
  return path.endsWith('/') ? path : path + "/";
}

// XDG_DESKTOP_DIR from the user-dirs file: "$HOME/..." or an absolute path.
QString ConfiguredDesktop(const QString& home) {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!QDir::isAbsolutePath(config)) config = home + "/.config";
  QFile file(config + "/user-dirs.dirs");
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
  static const QRegularExpression line(R"(^\s*XDG_DESKTOP_DIR\s*=\s*"([^"]*)\")");
  while (!file.atEnd()) {
    const QRegularExpressionMatch match = line.match(QString::fromUtf8(file.readLine()));
    if (!match.hasMatch()) continue;
    QString value = match.captured(1);
    if (value.startsWith("$HOME")) value = home + value.mid(5);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
  }
  return QString();
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent), model_(new FolderTreeModel(this)) {
  setModel(model_);
  setHeaderHidden(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformRowHeights(true);
  expand(model_->indexFromItem(model_->DesktopRoot()));
  // The view reads an opened folder only when it lays itself out; reading here
  // makes the children there at once, shown or not.
  connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
    if (QStandardItem* item = model_->itemFromIndex(index)) model_->EnsureRead(item);
  });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { ReportCurrent(current); });
}

bool FolderTree::SelectFolder(const QString& path) {
  if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isDir()) return false;
  const QString clean = QDir::cleanPath(path);
  QString rest;
  QStandardItem* item = model_->AnchorFor(clean, &rest);
  if (item == nullptr) return false;
  for (const QString& name : rest.split('/', Qt::SkipEmptyParts)) {
    item = model_->ChildNamed(item, name);
    if (item == nullptr) return false;
  }
  Select(item);
  return true;
}

FolderNodeKind FolderTree::SelectedKind() const {
  const QStandardItem* item = model_->itemFromIndex(currentIndex());
  return item != nullptr ? FolderTreeModel::KindOf(item) : FolderNodeKind::Folder;
}

QString FolderTree::SelectedPath() const {
  const QStandardItem* item = model_->itemFromIndex(currentIndex());
  if (item == nullptr || FolderTreeModel::KindOf(item) != FolderNodeKind::Folder) return QString();
  return WithSlash(FolderTreeModel::PathOf(item));
}

QString FolderTree::DesktopFolder() {
  const QString home = QDir::cleanPath(QDir::homePath());
  QString desktop = ConfiguredDesktop(home);
  if (desktop.isEmpty()) desktop = home + "/Desktop";
  // Without a desktop folder the home folder serves as the desktop.
  if (!QFileInfo(desktop).isDir()) desktop = home;
  return WithSlash(desktop);
}

void FolderTree::SelectParent() {
  const QModelIndex parent = currentIndex().parent();
  if (parent.isValid()) setCurrentIndex(parent);
}

void FolderTree::Reread() {
  model_->Reread();
}

void FolderTree::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
      setCurrentIndex(index);
      emit ContextMenuOnItem(event->globalPosition().toPoint());
      return;
    }
  }
  QTreeView::mouseReleaseEvent(event);
}

void FolderTree::Select(QStandardItem* item) {
  const QModelIndex index = model_->indexFromItem(item);
  for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
    expand(above);
  }
  if (index == currentIndex()) {
    emit FolderSelected(FolderTreeModel::KindOf(item), SelectedPath(), false);
  } else {
    setCurrentIndex(index);
  }
  scrollTo(index);
  // A deep folder in a narrow pane: keep the names readable rather than its indent.
  horizontalScrollBar()->setValue(0);
}

void FolderTree::ReportCurrent(const QModelIndex& current) {
  if (!current.isValid()) return;
  emit FolderSelected(FolderTreeModel::KindOf(model_->itemFromIndex(current)), SelectedPath(),
                      true);
}

}  // namespace tessaly
