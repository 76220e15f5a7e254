#include "engine/destination_dialog.h"

#include <sys/stat.h>

#include <cerrno>

#include "engine/driver.h"
#include "engine/session.h"

namespace tessaly {

namespace {

std::string WithSlash(const std::string& path) {
  return path.empty() || path.back() == '/' ? path : path + "/";
}

std::string NewFolderPrompt(const std::string& folder) {
  return "Currently selected folder:\n\n" + folder +
         "\n\nType a name for the folder in the box below.";
}

}  // namespace

void DestinationModel::Load(Session& session, const DestinationRequest& request) {
  caption = request.caption;
  perArchiveFolderVisible = request.showPerArchiveCheck;
  perArchiveFolder = false;
  closed = false;
  SelectionChanged(TreeNodeKind::Folder, "");
  if (session.job.confirmFromDriver) tree_.SelectFolder(session.mainWindow.currentFolder);
  session.job.chosenDestination.clear();
  if (!request.startFolder.empty()) tree_.SelectFolder(request.startFolder);
}

void DestinationModel::SelectionChanged(TreeNodeKind kind, const std::string& path) {
  std::string shown = path;
  if (kind == TreeNodeKind::DesktopRoot) shown = tree_.DesktopFolder();
  if (kind == TreeNodeKind::ComputerRoot) shown.clear();
  chosenFolder = WithSlash(shown);
  // OK with nothing shown would hand back "/", the root of the file system.
  okEnabled = !chosenFolder.empty();
  newFolderEnabled = !chosenFolder.empty();
}

void DestinationModel::OkClicked(Session& session) {
  if (!okEnabled) return;
  if (caption == kDestinationCaption) session.job.perArchiveFolder = perArchiveFolder;
  session.job.chosenDestination = WithSlash(chosenFolder);
  closed = true;
}

void DestinationModel::NewFolderClicked(Session& session) {
  if (!newFolderEnabled) return;
  const std::string folder = WithSlash(chosenFolder);
  std::string answer =
      session.dialogs.InputBox(NewFolderPrompt(folder), "Create New Folder", "", InputEcho::Normal);
  if (answer.empty()) return;
  if (answer.front() != '/') answer = folder + answer;
  if (mkdir(answer.c_str(), 0777) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    MessageBoxRequest message;
    message.text = CouldNotCreateFolderText(answer);
    message.buttons = MsgButtons::OK;
    message.icon = MsgIcon::Exclamation;
    message.title = "Oops!";
    session.dialogs.MessageBox(message);
    return;
  }
  // Any other failure (the folder exists, no rights) still shows whatever is there.
  tree_.Reread();
  tree_.SelectFolder(answer);
  SelectionChanged(tree_.SelectedKind(), tree_.SelectedPath());
}

void DestinationModel::CancelClicked(Session& session) {
  session.job.chosenDestination.clear();
  closed = true;
}

void DestinationModel::UpOneLevelClicked() {
  if (tree_.SelectedKind() != TreeNodeKind::DesktopRoot) tree_.SelectParent();
}

DestinationAnswer DestinationModel::Answer(const Session& session) const {
  DestinationAnswer answer;
  answer.chosenDestination = session.job.chosenDestination;
  // Under other captions the box was never asked, so the job's value stands.
  if (!answer.chosenDestination.empty()) answer.perArchiveFolder = session.job.perArchiveFolder;
  return answer;
}

}  // namespace tessaly
