// The folder tree of the main window and of the destination dialog: a "Desktop" root holding the
// user's home folder, the desktop folder and a "Computer" node with the file-system root and the
// mounted volumes; below them the real folders, read lazily.
#pragma once

#include <QPoint>
#include <QString>
#include <QTreeView>

class QMouseEvent;
class QStandardItem;

namespace tessaly {

class FolderTreeModel;

enum class FolderNodeKind { Folder, DesktopRoot, ComputerRoot };

class FolderTree : public QTreeView {
  Q_OBJECT

 public:
  explicit FolderTree(QWidget* parent = nullptr);

  // Selects the folder (opening the branches above it) and reports it through
  // FolderSelected. False, with the selection unchanged, when path names no folder.
  bool SelectFolder(const QString& path);
  FolderNodeKind SelectedKind() const;
  // The selected folder's file-system path ending in "/"; "" for the virtual roots.
  QString SelectedPath() const;
  // The desktop folder of the user (XDG_DESKTOP_DIR, else ~/Desktop), ending in "/".
  static QString DesktopFolder();
  // Selects the parent of the selected node; nothing at the Desktop root.
  void SelectParent();
  // Reads the folders again (after one was created).
  void Reread();

 signals:
  // A newly selected node; listWanted is false when the selection only re-reports
  // the same folder.
  void FolderSelected(tessaly::FolderNodeKind kind, const QString& path, bool listWanted);
  // The right button was released over an item (already selected), at a global position.
  void ContextMenuOnItem(const QPoint& globalPos);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Select(QStandardItem* item);
  void ReportCurrent(const QModelIndex& current);

  FolderTreeModel* model_;
};

}  // namespace tessaly
