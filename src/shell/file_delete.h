// Delete File(s) and Delete Folder: after a confirmation naming what goes, each path is
// moved to the desktop Trash; where the Trash refuses one (a file system without a
// trash), the user is asked whether to delete it permanently.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace tessaly {

// Moves one file or folder to the Trash; false when it could not.
using TrashCall = std::function<bool(const std::string& path)>;

enum class DeleteKind { Files, Folder };
enum class DeleteOutcome { Done, Declined, Failed };

// Declined: the user said no to the confirmation; Failed: something stayed that the
// user wanted gone (refused permanent deletion counts as wanted to stay).
DeleteOutcome DeleteToTrash(DeleteKind kind, const std::vector<std::string>& paths,
                            Dialogs& dialogs, const TrashCall& trash);

// The confirmation's request for the paths.
MessageBoxRequest DeleteConfirmation(DeleteKind kind, const std::vector<std::string>& paths);

}  // namespace tessaly
