#include "shell/selection_state.h"

#include <algorithm>
#include <cctype>

#include "engine/session.h"

namespace tessaly {
namespace {

std::string LowerLastFour(const std::string& path) {
  std::string tail = path.size() > 4 ? path.substr(path.size() - 4) : path;
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail;
}

void EnableCommands(SelectionCommands& c, const std::vector<ListItemRef>& selected) {
  if (selected.empty()) {
    // The pop-up entries Extract, Set Info, Launch, Properties, Copy to..., Move to... and
    // Delete keep the state the last selection gave them.
    c.extractMenu = c.contentsMenu = c.contentsPopup = c.setInfoMenu = c.launchMenu =
        c.propertiesMenu = false;
    c.renameMenu = c.renamePopup = c.copyMenu = c.moveMenu = c.deleteMenu = false;
    return;
  }
  const bool one = selected.size() == 1;
  const bool oneFile = one && selected.front().tag.empty();
  const bool oneFolder = one && !oneFile;

  c.extractMenu = c.extractPopup = !oneFolder;
  c.contentsMenu = c.contentsPopup = oneFile;
  c.setInfoMenu = c.setInfoPopup = oneFile;
  c.launchMenu = c.launchPopup = one;
  c.propertiesMenu = c.propertiesPopup = one;
  c.renameMenu = c.renamePopup = one;
  c.copyMenu = c.copyPopup = true;
  c.moveMenu = c.movePopup = true;
  c.deleteMenu = c.deletePopup = true;
}

}  // namespace

void CollectSelection(Session& session, const std::vector<ListItemRef>& selectedInListOrder) {
  MainWindowModel& mainWindow = session.mainWindow;
  mainWindow.selectedFolderPath = mainWindow.currentFolder;
  if (mainWindow.selectedFolderPath.empty() || mainWindow.selectedFolderPath.back() != '/') {
    mainWindow.selectedFolderPath += '/';
  }
  JobState& job = session.job;
  job.selectedCount = static_cast<int>(selectedInListOrder.size());
  // An empty selection leaves no paths behind for a command still enabled on the pop-up.
  job.selectedFiles.clear();
  job.selectedFiles.reserve(selectedInListOrder.size());
  for (const ListItemRef& item : selectedInListOrder) {
    job.selectedFiles.push_back(mainWindow.selectedFolderPath + item.text);
  }
}

void UpdateSelectionState(Session& session, const std::vector<ListItemRef>& selectedInListOrder) {
  MainWindowModel& mainWindow = session.mainWindow;
  mainWindow.selectionStatus = std::to_string(selectedInListOrder.size()) + " File(s) Selected.";
  EnableCommands(mainWindow.commands, selectedInListOrder);
  CollectSelection(session, selectedInListOrder);

  const std::vector<std::string>& files = session.job.selectedFiles;
  if (files.empty()) {
    mainWindow.perArchiveFolder = false;
    mainWindow.perArchiveFolderEnabled = false;
    return;
  }

  SelectionCommands& c = mainWindow.commands;
  const std::string first = LowerLastFour(files.front());
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string ext = i == 0 ? first : LowerLastFour(files[i]);
    if (i > 0) {
      // Archives of different types cannot be extracted or summarised as one set.
      const bool sameType = ext == first;
      c.extractMenu = c.extractPopup = c.setInfoPopup = c.setInfoMenu = sameType;
      if (!sameType) return;
    }
    // One folder per archive is offered for ZIP archives only.
    if (ext == ".zip") {
      mainWindow.perArchiveFolderEnabled = true;
    } else {
      mainWindow.perArchiveFolder = false;
      mainWindow.perArchiveFolderEnabled = false;
    }
  }
}

}  // namespace tessaly
