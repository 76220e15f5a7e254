// The items behind FolderTree: the virtual "Desktop" and "Computer" nodes and the
// real folders below them, each folder read when it is first opened and again
// when it changes on disk.
#pragma once

#include <QFileSystemWatcher>
#include <QStandardItemModel>
#include <QString>
#include <QTimer>

#include "platform/ui/folder_tree.h"

namespace tessaly {

// The volumes a mounts file (laid out as /proc/self/mounts) lists under /media,
// /mnt and /run/media, pseudo file systems left out; sorted.
QStringList MountedVolumesIn(const QString& mountsFile);

class FolderTreeModel : public QStandardItemModel {
  Q_OBJECT

 public:
  explicit FolderTreeModel(QObject* parent = nullptr);

  // An unread folder may have sub-folders: the view offers to open it and then
  // asks for them through fetchMore.
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  QStandardItem* DesktopRoot() const;
  static FolderNodeKind KindOf(const QStandardItem* item);
  // The folder's path without a trailing "/" ("/" for the root); "" for virtual nodes.
  static QString PathOf(const QStandardItem* item);

  // The deepest shown folder (home, desktop, a volume or "/") that holds the
  // absolute, clean path; rest gets the path below it.
  QStandardItem* AnchorFor(const QString& path, QString* rest) const;
  // The sub-folder name of folder, read from disk when not shown yet; a folder
  // that exists but is not listed (a dot folder) is added. Null when there is none.
  QStandardItem* ChildNamed(QStandardItem* folder, const QString& name);
  void EnsureRead(QStandardItem* folder);
  // Reads every folder read so far again, keeping what still exists.
  void Reread();

 private:
  void Merge(QStandardItem* folder);

  QFileSystemWatcher watcher_;
  // An extraction changes a folder thousands of times: one reread after a pause.
  QTimer rereadSoon_;
};

}  // namespace tessaly
