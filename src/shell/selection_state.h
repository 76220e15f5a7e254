// What follows the file list's selection: the status text, which commands are
// enabled, the per-archive-folder box, and the job's list of selected paths.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

struct Session;

// A selected row of the file list: its text and tag (a non-empty tag marks a folder).
struct ListItemRef {
  std::string text;
  std::string tag;
};

// Recounts the selection into mainWindow.selectionStatus ("<n> File(s) Selected."), enables
// mainWindow.commands by the kind of selection, collects the selection into the job and
// offers mainWindow.perArchiveFolder only when the selected archives are ZIP archives.
void UpdateSelectionState(Session& session, const std::vector<ListItemRef>& selectedInListOrder);

// mainWindow.selectedFolderPath = currentFolder ending in "/"; job.selectedFiles (in list
// order) = that prefix + each item's text; job.selectedCount = their number.
void CollectSelection(Session& session, const std::vector<ListItemRef>& selectedInListOrder);

}  // namespace tessaly
