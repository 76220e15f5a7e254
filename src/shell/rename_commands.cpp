#include "shell/rename_commands.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstring>

#include "engine/driver.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace tessaly {

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

void Refuse(Dialogs& dialogs, const std::string& text) {
  MessageBoxRequest box;
  box.text = text;
  box.icon = MsgIcon::Exclamation;
  box.title = "Oops!";
  dialogs.MessageBox(box);
}

std::string WhyNotRenamed(int error, const std::string& newName) {
  if (error == EEXIST || error == ENOTEMPTY)
    return "Could not rename: \"" + newName + "\" already exists.";
  return "Could not rename to \"" + newName + "\": " + std::strerror(error) + ".";
}

}  // namespace

int RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  return errno;
}

std::string RenameInFolder(const std::string& folder, const std::string& oldName,
                           const std::string& newName) {
  if (newName == oldName) return "";
  if (!IsPlainName(newName))
    return "Could not rename to \"" + newName +
           "\": a name cannot hold \"/\" or be \".\" or \"..\".";
  const std::string base = WithSlash(folder);
  const int error = RenameWithoutReplacing(base + oldName, base + newName);
  return error == 0 ? "" : WhyNotRenamed(error, newName);
}

std::string RenameFolderCommand(Dialogs& dialogs, const std::string& currentFolder) {
  std::string full = currentFolder;
  while (full.size() > 1 && full.back() == '/') full.pop_back();
  const size_t slash = full.rfind('/');
  if (slash == std::string::npos || full == "/") return "";
  const std::string parent = full.substr(0, slash + 1);
  const std::string name = full.substr(slash + 1);
  const std::string answer = dialogs.InputBox("Type a new name for \"" + name + "\" below.",
                                              "Rename Folder", name, InputEcho::Normal);
  if (answer.empty() || answer == name) return "";
  if (!IsPlainName(answer)) {
    Refuse(dialogs, "Could not rename to \"" + answer +
                        "\": a name cannot hold \"/\" or be \".\" or \"..\".");
    return "";
  }
  const int error = RenameWithoutReplacing(full, parent + answer);
  if (error != 0) {
    Refuse(dialogs, WhyNotRenamed(error, answer));
    return "";
  }
  return parent + answer;
}

std::string NewFolderPath(const std::string& base, const std::string& answer) {
  if (!answer.empty() && answer.front() == '/') return answer;
  return WithSlash(base) + answer;
}

std::string CreateNewFolderCommand(Dialogs& dialogs, const std::string& currentFolder) {
  const std::string base = WithSlash(currentFolder);
  const std::string answer = dialogs.InputBox(
      "Currently selected folder:\n\n" + base + "\n\nType a name for the folder in the box below.",
      "Create New Folder", "", InputEcho::Normal);
  if (answer.empty()) return "";
  const std::string path = NewFolderPath(base, answer);
  if (!CreateFolder(path).empty()) {
    Refuse(dialogs, CouldNotCreateFolderText(path));
    return "";
  }
  return path;
}

}  // namespace tessaly
