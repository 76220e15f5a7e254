#include "engine/destination_dialog.h"

#include <sys/stat.h>

#include <cerrno>

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

std::string CouldNotCreateText(const std::string& folder) {
  return "Could not create the folder \"" + folder +
         "\". Please use a valid drive letter and remember that the following characters are "
         "not allowed in a folder name: \\ / : * ? \" < > |";
}

}  // namespace

void Form2::Load(Session& session, const DestinationRequest& request) {
  Caption = request.caption;
  Check1Visible = request.showPerArchiveCheck;
  Check1 = false;
  closed = false;
  SelectionChanged(TreeNodeKind::Folder, "");
  if (session.job.ConfirmFromDriver) FT1.SelectFolder(session.Form1.CurrentFolder);
  session.job.ChosenDestination.clear();
  if (!request.startFolder.empty()) FT1.SelectFolder(request.startFolder);
}

void Form2::SelectionChanged(TreeNodeKind kind, const std::string& path) {
  std::string shown = path;
  if (kind == TreeNodeKind::DesktopRoot) shown = FT1.DesktopFolder();
  if (kind == TreeNodeKind::ComputerRoot) shown.clear();
  Label2 = WithSlash(shown);
  // OK with nothing shown would hand back "/", the root of the file system.
  Command1Enabled = !Label2.empty();
  Command2Enabled = !Label2.empty();
}

void Form2::Command1_Click(Session& session) {
  if (!Command1Enabled) return;
  if (Caption == kForm2Caption) session.job.PerArchiveFolder = Check1;
  session.job.ChosenDestination = WithSlash(Label2);
  closed = true;
}

void Form2::Command2_Click(Session& session) {
  if (!Command2Enabled) return;
  const std::string folder = WithSlash(Label2);
  std::string answer =
      session.dialogs.InputBox(NewFolderPrompt(folder), "Create New Folder", "", InputEcho::Normal);
  if (answer.empty()) return;
  if (answer.front() != '/') answer = folder + answer;
  if (mkdir(answer.c_str(), 0777) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    MessageBoxRequest message;
    message.text = CouldNotCreateText(answer);
    message.buttons = MsgButtons::OK;
    message.icon = MsgIcon::Exclamation;
    message.title = "Oops!";
    session.dialogs.MessageBox(message);
    return;
  }
  // Any other failure (the folder exists, no rights) still shows whatever is there.
  FT1.Reread();
  FT1.SelectFolder(answer);
  SelectionChanged(FT1.SelectedKind(), FT1.SelectedPath());
}

void Form2::Command3_Click(Session& session) {
  session.job.ChosenDestination.clear();
  closed = true;
}

void Form2::Command4_Click() {
  if (FT1.SelectedKind() != TreeNodeKind::DesktopRoot) FT1.SelectParent();
}

DestinationAnswer Form2::Answer(const Session& session) const {
  DestinationAnswer answer;
  answer.ChosenDestination = session.job.ChosenDestination;
  // Under other captions the box was never asked, so the job's value stands.
  if (!answer.ChosenDestination.empty()) answer.Check1 = session.job.PerArchiveFolder;
  return answer;
}

}  // namespace tessaly
