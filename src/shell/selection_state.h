// What follows the file list's selection: the status text, which commands are
// enabled, the per-archive-folder box, and the job's list of selected paths.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

struct BrowserState;
struct Session;

// A selected row of the file list: its text and tag (a non-empty tag marks a folder).
struct ListItemRef {
  std::string text;
  std::string tag;
};

// Recounts the selection into browser.selectionStatus ("<n> File(s) Selected."), enables
// browser.commands by the kind of selection (browser.extractRefusal says why Extract is not),
// collects the selection into the job and offers mainWindow.perArchiveFolder only when the selected
// archives are ZIP archives.
void UpdateSelectionState(Session& session, BrowserState& browser,
                          const std::vector<ListItemRef>& selectedInListOrder);

// browser.selectedFolderPath = currentFolder ending in "/"; job.selectedFiles (in list
// order) = that prefix + each item's text; job.selectedCount = their number.
void CollectSelection(Session& session, BrowserState& browser,
                      const std::vector<ListItemRef>& selectedInListOrder);

}  // namespace tessaly
