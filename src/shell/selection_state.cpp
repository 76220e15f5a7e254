#include "shell/selection_state.h"

#include <algorithm>

#include "engine/session.h"
#include "platform/ascii_case.h"
#include "shell/browser_state.h"

namespace tessaly {
namespace {

std::string LowerLastFour(const std::string& path) {
  return AsciiLower(path.size() > 4 ? path.substr(path.size() - 4) : path);
}

std::vector<ListItemRef>::const_iterator FirstFolder(const std::vector<ListItemRef>& selected) {
  return std::find_if(selected.begin(), selected.end(),
                      [](const ListItemRef& item) { return !item.tag.empty(); });
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

  // Folders are never extracted; files are, whatever their names.
  c.extractMenu = c.extractPopup = FirstFolder(selected) == selected.end();
  c.contentsMenu = c.contentsPopup = oneFile;
  c.setInfoMenu = c.setInfoPopup = oneFile;
  c.launchMenu = c.launchPopup = one;
  c.propertiesMenu = c.propertiesPopup = true;
  c.renameMenu = c.renamePopup = one;
  c.copyMenu = c.copyPopup = true;
  c.moveMenu = c.movePopup = true;
  c.deleteMenu = c.deletePopup = true;
}

}  // namespace

void CollectSelection(Session& session, BrowserState& browser,
                      const std::vector<ListItemRef>& selectedInListOrder) {
  browser.selectedFolderPath = session.mainWindow.currentFolder;
  if (browser.selectedFolderPath.empty() || browser.selectedFolderPath.back() != '/') {
    browser.selectedFolderPath += '/';
  }
  JobState& job = session.job;
  // The running job keeps its archives; the selection is taken when it has ended.
  if (job.running) return;
  job.selectedCount = static_cast<int>(selectedInListOrder.size());
  // An empty selection leaves no paths behind for a command still enabled on the pop-up.
  job.selectedFiles.clear();
  job.selectedFiles.reserve(selectedInListOrder.size());
  for (const ListItemRef& item : selectedInListOrder) {
    job.selectedFiles.push_back(browser.selectedFolderPath + item.text);
  }
}

void UpdateSelectionState(Session& session, BrowserState& browser,
                          const std::vector<ListItemRef>& selectedInListOrder) {
  MainWindowLink& mainWindow = session.mainWindow;
  browser.selectionStatus = std::to_string(selectedInListOrder.size()) + " File(s) Selected.";
  EnableCommands(browser.commands, selectedInListOrder);
  const auto folder = FirstFolder(selectedInListOrder);
  browser.extractRefusal =
      folder == selectedInListOrder.end()
          ? ""
          : "\"" + folder->text + "\" is a folder; only files can be extracted.";
  CollectSelection(session, browser, selectedInListOrder);

  const std::vector<std::string>& files = session.job.selectedFiles;
  // Greyed without a selection, it still shows (and drops on Extract use) the user's choice.
  mainWindow.perArchiveFolder = browser.perArchiveFolderChosen;
  browser.perArchiveFolderEnabled = false;
  if (files.empty()) return;

  SelectionCommands& c = browser.commands;
  const std::string first = LowerLastFour(files.front());
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string ext = i == 0 ? first : LowerLastFour(files[i]);
    if (i > 0) {
      // Files of different extensions cannot be summarised as one set; whether they
      // extract as one job, the job decides from the types their contents show.
      const bool sameType = ext == first;
      c.setInfoPopup = c.setInfoMenu = sameType;
      if (!sameType) return;
    }
    // One folder per archive is offered for ZIP archives only.
    if (ext == ".zip") {
      browser.perArchiveFolderEnabled = true;
    } else {
      mainWindow.perArchiveFolder = false;
      browser.perArchiveFolderEnabled = false;
    }
  }
}

}  // namespace tessaly
