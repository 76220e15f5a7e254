#include "platform/ui/folder_tree_model.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <utility>

namespace tessaly {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kKindRole = Qt::UserRole + 2;
constexpr int kReadRole = Qt::UserRole + 3;

bool NameLess(const QString& a, const QString& b) {
  const int folded = QString::compare(a, b, Qt::CaseInsensitive);
  return folded != 0 ? folded < 0 : a < b;
}

QString ChildPath(const QString& folder, const QString& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool IsFolder(const QString& path) {
  struct stat info;
  return stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The visible sub-folders of path, sorted; links to folders count as folders.
// An unreadable folder simply has none.
QStringList ReadSubfolders(const QString& path) {
  QStringList names;
  DIR* dir = opendir(QFile::encodeName(path).constData());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    bool folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat info;
      folder = fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
    }
    if (folder) names.push_back(QFile::decodeName(entry->d_name));
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), NameLess);
  return names;
}

// Looked up once per type: a big folder makes thousands of items.
QIcon IconFor(QAbstractFileIconProvider::IconType type) {
  static QHash<int, QIcon> icons;
  auto found = icons.find(type);
  if (found == icons.end()) found = icons.insert(type, QFileIconProvider().icon(type));
  return *found;
}

QStandardItem* MakeNode(const QString& text, FolderNodeKind kind, const QString& path,
                        QAbstractFileIconProvider::IconType icon) {
  auto* item = new QStandardItem(IconFor(icon), text);
  item->setData(static_cast<int>(kind), kKindRole);
  item->setData(path, kPathRole);
  item->setData(kind != FolderNodeKind::Folder, kReadRole);
  return item;
}

// Plain folders carry only their name: the rest follows from the parent, which
// keeps a folder of many thousand sub-folders quick to show.
QStandardItem* MakeFolder(const QString& name) {
  return new QStandardItem(IconFor(QAbstractFileIconProvider::Folder), name);
}

// Mount points written in /proc/self/mounts escape blanks and a few other bytes
// as a backslash and three octal digits.
QString UnescapeMountPoint(const QByteArray& field) {
  QByteArray out;
  for (int i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      bool ok = false;
      const int code = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok) {
        out.append(static_cast<char>(code));
        i += 3;
        continue;
      }
    }
    out.append(field[i]);
  }
  return QFile::decodeName(out);
}

bool IsPseudoFileSystem(const QByteArray& type) {
  static const QSet<QByteArray> pseudo = {
      "proc",    "sysfs",       "devtmpfs",  "devpts",     "cgroup", "cgroup2", "securityfs",
      "debugfs", "tracefs",     "configfs",  "fusectl",    "mqueue", "pstore",  "bpf",
      "autofs",  "binfmt_misc", "hugetlbfs", "rpc_pipefs", "nsfs",   "overlay", "squashfs"};
  return pseudo.contains(type);
}

QString WithoutTrailingSlash(const QString& path) {
  return path.size() > 1 && path.endsWith('/') ? path.chopped(1) : path;
}

}  // namespace

QStringList MountedVolumesIn(const QString& mountsFile) {
  QStringList volumes;
  QFile mounts(mountsFile);
  if (!mounts.open(QIODevice::ReadOnly)) return volumes;
  while (!mounts.atEnd()) {
    const QList<QByteArray> fields = mounts.readLine().split(' ');
    if (fields.size() < 3 || IsPseudoFileSystem(fields[2])) continue;
    const QString point = UnescapeMountPoint(fields[1]);
    const bool underVolumeFolder =
        point.startsWith("/media/") || point.startsWith("/mnt/") || point.startsWith("/run/media/");
    if (underVolumeFolder && !volumes.contains(point)) volumes.push_back(point);
  }
  std::sort(volumes.begin(), volumes.end(), NameLess);
  return volumes;
}

FolderTreeModel::FolderTreeModel(QObject* parent) : QStandardItemModel(parent) {
  QStandardItem* desktopRoot = MakeNode("Desktop", FolderNodeKind::DesktopRoot, QString(),
                                        QAbstractFileIconProvider::Desktop);
  const QString home = WithoutTrailingSlash(QDir::homePath());
  const QString homeName = home == "/" ? home : QFileInfo(home).fileName();
  desktopRoot->appendRow(
      MakeNode(homeName, FolderNodeKind::Folder, home, QAbstractFileIconProvider::Folder));
  const QString desktop = WithoutTrailingSlash(FolderTree::DesktopFolder());
  if (desktop != home && IsFolder(desktop)) {
    desktopRoot->appendRow(MakeNode(QFileInfo(desktop).fileName(), FolderNodeKind::Folder, desktop,
                                    QAbstractFileIconProvider::Desktop));
  }
  QStandardItem* computer = MakeNode("Computer", FolderNodeKind::ComputerRoot, QString(),
                                     QAbstractFileIconProvider::Computer);
  computer->appendRow(MakeNode("/", FolderNodeKind::Folder, "/", QAbstractFileIconProvider::Drive));
  for (const QString& volume : MountedVolumesIn("/proc/self/mounts")) {
    computer->appendRow(MakeNode(QFileInfo(volume).fileName(), FolderNodeKind::Folder, volume,
                                 QAbstractFileIconProvider::Drive));
  }
  desktopRoot->appendRow(computer);
  appendRow(desktopRoot);

  rereadSoon_.setSingleShot(true);
  rereadSoon_.setInterval(200);
  connect(&rereadSoon_, &QTimer::timeout, this, &FolderTreeModel::Reread);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, &rereadSoon_,
          qOverload<>(&QTimer::start));
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
  const QStandardItem* item = itemFromIndex(parent);
  if (item != nullptr && !item->data(kReadRole).toBool()) return true;
  return QStandardItemModel::hasChildren(parent);
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
  const QStandardItem* item = itemFromIndex(parent);
  return item != nullptr && !item->data(kReadRole).toBool();
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
  if (QStandardItem* item = itemFromIndex(parent)) EnsureRead(item);
}

QStandardItem* FolderTreeModel::DesktopRoot() const {
  return item(0);
}

FolderNodeKind FolderTreeModel::KindOf(const QStandardItem* item) {
  const QVariant kind = item->data(kKindRole);
  return kind.isValid() ? static_cast<FolderNodeKind>(kind.toInt()) : FolderNodeKind::Folder;
}

QString FolderTreeModel::PathOf(const QStandardItem* item) {
  const QVariant path = item->data(kPathRole);
  if (path.isValid()) return path.toString();
  return ChildPath(PathOf(item->parent()), item->text());
}

QStandardItem* FolderTreeModel::AnchorFor(const QString& path, QString* rest) const {
  QStandardItem* best = nullptr;
  QString bestPath;
  const auto consider = [&](QStandardItem* candidate) {
    const QString anchor = PathOf(candidate);
    const bool holds = anchor == "/" || path == anchor || path.startsWith(anchor + "/");
    if (KindOf(candidate) == FolderNodeKind::Folder && holds &&
        (best == nullptr || anchor.size() > bestPath.size())) {
      best = candidate;
      bestPath = anchor;
    }
  };
  QStandardItem* root = DesktopRoot();
  for (int row = 0; row < root->rowCount(); ++row) {
    QStandardItem* child = root->child(row);
    consider(child);
    if (KindOf(child) != FolderNodeKind::ComputerRoot) continue;
    for (int volume = 0; volume < child->rowCount(); ++volume) consider(child->child(volume));
  }
  if (best != nullptr) *rest = path.mid(bestPath.size());
  return best;
}

QStandardItem* FolderTreeModel::ChildNamed(QStandardItem* folder, const QString& name) {
  EnsureRead(folder);
  const auto find = [&]() -> QStandardItem* {
    for (int row = 0; row < folder->rowCount(); ++row) {
      if (folder->child(row)->text() == name) return folder->child(row);
    }
    return nullptr;
  };
  if (QStandardItem* shown = find()) return shown;
  Merge(folder);
  if (QStandardItem* shown = find()) return shown;
  const QString path = ChildPath(PathOf(folder), name);
  if (!IsFolder(path)) return nullptr;
  int row = 0;
  while (row < folder->rowCount() && NameLess(folder->child(row)->text(), name)) ++row;
  QStandardItem* added = MakeFolder(name);
  folder->insertRow(row, added);
  return added;
}

void FolderTreeModel::EnsureRead(QStandardItem* folder) {
  if (folder->data(kReadRole).toBool()) return;
  folder->setData(true, kReadRole);
  watcher_.addPath(PathOf(folder));
  QList<QStandardItem*> children;
  for (const QString& name : ReadSubfolders(PathOf(folder))) {
    children.push_back(MakeFolder(name));
  }
  if (!children.isEmpty()) folder->appendRows(children);
}

void FolderTreeModel::Reread() {
  QStandardItem* root = DesktopRoot();
  for (int row = 0; row < root->rowCount(); ++row) {
    QStandardItem* child = root->child(row);
    if (KindOf(child) == FolderNodeKind::Folder) Merge(child);
    if (KindOf(child) != FolderNodeKind::ComputerRoot) continue;
    for (int volume = 0; volume < child->rowCount(); ++volume) Merge(child->child(volume));
  }
}

// Both lists are in NameLess order, so one pass drops the vanished folders,
// inserts the new ones and keeps the rest with everything opened below them.
void FolderTreeModel::Merge(QStandardItem* folder) {
  if (!folder->data(kReadRole).toBool()) return;
  const QString path = PathOf(folder);
  const QStringList names = ReadSubfolders(path);
  int row = 0;
  qsizetype next = 0;
  while (row < folder->rowCount() || next < names.size()) {
    QStandardItem* child = row < folder->rowCount() ? folder->child(row) : nullptr;
    const bool childFirst =
        child != nullptr && (next >= names.size() || NameLess(child->text(), names[next]));
    if (childFirst) {
      // A dot folder opened by path stays while it exists.
      if (child->text().startsWith('.') && IsFolder(PathOf(child))) {
        Merge(child);
        ++row;
      } else {
        folder->removeRow(row);
      }
      continue;
    }
    if (child == nullptr || NameLess(names[next], child->text())) {
      folder->insertRow(row, MakeFolder(names[next]));
    } else {
      Merge(child);
    }
    ++row;
    ++next;
  }
}

}  // namespace tessaly
