// The naming commands of the file and folder menus: Rename File (the list's in-place
// edit), Rename Folder and Create New Folder. None of them ever replaces what exists.
#pragma once

#include <string>

namespace tessaly {

class Dialogs;

// Renames from to to unless to exists (renameat2 with RENAME_NOREPLACE, so nothing can
// slip in between a check and the rename). Returns 0 or the errno; on failure both
// paths are as they were.
int RenameWithoutReplacing(const std::string& from, const std::string& to);

// The end of the list's label edit: renames oldName to newName inside folder (ends in
// "/"). Returns "" when done, else the text that says why not (the caller restores
// the old text). A new name must be a plain name: no "/", not "." or "..".
std::string RenameInFolder(const std::string& folder, const std::string& oldName,
                           const std::string& newName);

// Rename Folder on currentFolder (ends in "/"): asks for the new name and renames the
// folder within its parent. Returns the new path (no trailing "/") to select in the
// tree; "" when cancelled or refused (the refusal was shown).
std::string RenameFolderCommand(Dialogs& dialogs, const std::string& currentFolder);

// Where Create New Folder makes the folder: an answer starting with "/" is a full
// path, any other is taken under base (ends in "/").
std::string NewFolderPath(const std::string& base, const std::string& answer);

// Create New Folder under currentFolder: asks for the name, makes one folder level and
// shows the failure message when that fails. Returns the new folder's path to select
// in the tree; "" when cancelled or failed.
std::string CreateNewFolderCommand(Dialogs& dialogs, const std::string& currentFolder);

}  // namespace tessaly
