// The main window's commands on the selected files and the tree's folder: Properties,
// Launch, Explore, Find Files, Rename File, Rename Folder and Create New Folder.
#include <QAction>

#include "platform/desktop_open.h"
#include "platform/ui/folder_tree.h"
#include "shell/rename_commands.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/find_window.h"
#include "shell/ui/main_window.h"
#include "shell/ui/properties_window.h"

namespace tessaly {

namespace {

void ShowWindowOf(QDialog* window) {
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

void MainWindow::ShowFileProperties() {
  if (session_.job.selectedFiles.empty()) return;
  ShowWindowOf(new PropertiesWindow(session_.job.selectedFiles, this));
}

void MainWindow::ShowFolderProperties() {
  if (model_.currentFolder.empty()) return;
  ShowWindowOf(new PropertiesWindow({model_.currentFolder}, this));
}

void MainWindow::LaunchSelected() {
  if (session_.job.selectedFiles.empty()) return;
  if (OpenWithDesktop(session_.job.selectedFiles.front(), session_.events) != kDesktopOpenNoOpener)
    return;
  session_.dialogs.MessageBox(
      {"Could not launch this file. There is probably no program associated with it.",
       MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
}

void MainWindow::ExploreSelectedFolder() {
  if (model_.currentFolder.empty()) return;
  ExploreFolder(model_.currentFolder, session_.events, session_.dialogs);
}

void MainWindow::FindFilesInFolder() {
  if (model_.currentFolder.empty()) return;
  auto* window = new FindWindow(model_.currentFolder, this);
  connect(window, &FindWindow::ResultChosen, this, &MainWindow::ShowFoundFile);
  ShowWindowOf(window);
}

void MainWindow::ShowFoundFile(const QString& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0 || !tree_->SelectFolder(path.left(slash + 1))) return;
  const std::string name = path.mid(slash + 1).toStdString();
  const std::vector<FileListItem>& items = fileList_->Items();
  for (size_t row = 0; row < items.size(); ++row) {
    if (items[row].text != name) continue;
    fileList_->SelectRow(static_cast<int>(row));
    UpdateSelectionState();
    break;
  }
  raise();
  activateWindow();
}

void MainWindow::RenameSelectedFile() {
  if (fileList_->SelectedRows().empty()) return;
  fileList_->StartRename();
}

void MainWindow::RenameSelectedFolder() {
  if (model_.currentFolder.empty()) return;
  const std::string renamed = RenameFolderCommand(session_.dialogs, model_.currentFolder);
  if (renamed.empty()) return;
  tree_->Reread();
  tree_->SelectFolder(QString::fromStdString(renamed));
}

void MainWindow::CreateNewFolder() {
  if (model_.currentFolder.empty()) return;
  const std::string created = CreateNewFolderCommand(session_.dialogs, model_.currentFolder);
  if (created.empty()) return;
  tree_->Reread();
  tree_->SelectFolder(QString::fromStdString(created));
}

}  // namespace tessaly
