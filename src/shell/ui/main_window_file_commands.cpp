// The main window's Copy to..., Move to..., Delete File(s) and Delete Folder commands.
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "platform/ui/folder_tree.h"
#include "shell/file_delete.h"
#include "shell/file_transfer.h"
#include "shell/ui/main_window.h"
#include "shell/ui/transfer_window.h"

namespace tessaly {

namespace {

bool MoveToTrash(const std::string& path) {
  // Qt finds no home Trash when the data folder is missing, and then files its
  // entries beside the working folder instead; the freedesktop trash may create it.
  QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  return QFile::moveToTrash(QFile::decodeName(QByteArray::fromStdString(path)));
}

}  // namespace

void MainWindow::CopyOrMoveSelected(bool move) {
  const std::vector<std::string> selected = session_.job.selectedFiles;
  if (selected.empty()) return;
  DestinationRequest request;
  request.caption = move ? "Move to..." : "Copy to...";
  const DestinationAnswer answer = session_.dialogs.ChooseDestination(request);
  if (answer.chosenDestination.empty()) return;
  const TransferKind kind = move ? TransferKind::Move : TransferKind::Copy;
  {
    TransferWindow window(kind, session_.dialogs, this);
    TransferFiles(kind, selected, answer.chosenDestination, window);
  }
  // A copy into the folder shown, or a move out of it, changes the list.
  RefreshList();
}

void MainWindow::DeleteSelectedFiles() {
  const std::vector<std::string> selected = session_.job.selectedFiles;
  if (selected.empty()) return;
  if (DeleteToTrash(DeleteKind::Files, selected, session_.dialogs, MoveToTrash) ==
      DeleteOutcome::Declined)
    return;
  RefreshList();
}

void MainWindow::DeleteSelectedFolder() {
  std::string folder = model_.currentFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  // The virtual roots and the file-system root are not deleted.
  if (folder.empty() || folder == "/") return;
  if (DeleteToTrash(DeleteKind::Folder, {folder}, session_.dialogs, MoveToTrash) ==
      DeleteOutcome::Declined)
    return;
  const std::string parent = folder.substr(0, folder.rfind('/') + 1);
  tree_->Reread();
  tree_->SelectFolder(QFile::decodeName(QByteArray::fromStdString(parent)));
}

}  // namespace tessaly
