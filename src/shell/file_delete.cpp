#include "shell/file_delete.h"

#include <filesystem>
#include <system_error>

namespace tessaly {

namespace {

// Names listed in the confirmation; more are counted only.
constexpr std::size_t kNamesShown = 10;

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

MessageBoxRequest DeleteConfirmation(DeleteKind kind, const std::vector<std::string>& paths) {
  MessageBoxRequest request;
  request.buttons = MsgButtons::YesNo;
  request.icon = MsgIcon::Question;
  if (kind == DeleteKind::Folder) {
    request.title = "Confirm Folder Delete";
    request.text = "Are you sure you want to move the folder \"" +
                   WithoutTrailingSlash(paths.front()) + "\" and all its contents to the Trash?";
  } else if (paths.size() == 1) {
    request.title = "Confirm File Delete";
    request.text = "Are you sure you want to move \"" + WithoutTrailingSlash(paths.front()) +
                   "\" to the Trash?";
  } else {
    request.title = "Confirm Multiple File Delete";
    request.text = "Are you sure you want to move these " + std::to_string(paths.size()) +
                   " items to the Trash?\n";
    for (std::size_t i = 0; i < paths.size() && i < kNamesShown; ++i)
      request.text += "\n" + WithoutTrailingSlash(paths[i]);
    if (paths.size() > kNamesShown)
      request.text += "\n(and " + std::to_string(paths.size() - kNamesShown) + " more)";
  }
  return request;
}

DeleteOutcome DeleteToTrash(DeleteKind kind, const std::vector<std::string>& paths,
                            Dialogs& dialogs, const TrashCall& trash) {
  if (paths.empty()) return DeleteOutcome::Declined;
  if (dialogs.MessageBox(DeleteConfirmation(kind, paths)) != MsgAnswer::Yes)
    return DeleteOutcome::Declined;
  DeleteOutcome outcome = DeleteOutcome::Done;
  for (const std::string& given : paths) {
    const std::string path = WithoutTrailingSlash(given);
    if (trash(path)) continue;
    const MsgAnswer answer = dialogs.MessageBox(
        {"\"" + path + "\" cannot be moved to the Trash. Do you want to delete it permanently?",
         MsgButtons::YesNo, MsgIcon::Exclamation, "Confirm Delete", 2});
    if (answer != MsgAnswer::Yes) {
      outcome = DeleteOutcome::Failed;
      continue;
    }
    // remove_all takes a link itself, never what it points to.
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (error) {
      dialogs.MessageBox({"Could not delete \"" + path + "\": " + error.message() + ".",
                          MsgButtons::OK, MsgIcon::Exclamation, "Oops!", 1});
      outcome = DeleteOutcome::Failed;
    }
  }
  return outcome;
}

}  // namespace tessaly
