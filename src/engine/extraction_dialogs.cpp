#include "engine/extraction_dialogs.h"

#include <algorithm>

#include "engine/session.h"
#include "platform/desktop_open.h"
#include "platform/files.h"
#include "settings/settings_store.h"

namespace tessaly {

namespace {

MainWindowView* MainWindowViewOf(Session& session) {
  return session.mainWindow.view;
}

// The contents window holds the main window disabled and busy until it closes
// itself; a job it started must not give the main window back before then.
MainWindowView* MainWindowToGiveBack(Session& session) {
  if (session.job.callingWindow == CallingWindow::Contents) return nullptr;
  return session.mainWindow.view;
}

std::string ConfirmationText(const std::string& destination) {
  return std::string(kConfirmationLead) + "\n\n" + destination;
}

// An empty destination box sent the files into the working directory.
std::string FolderToExplore(const std::string& destination) {
  return destination.empty() ? CurrentDirectory() : destination;
}

}  // namespace

void StatusModel::SetArchiveLabel(const std::string& text) {
  archiveLabel = text;
  Refresh();
}

void StatusModel::SetMessageLabel(const std::string& text) {
  messageLabel = text;
  Refresh();
}

void StatusModel::SetMax(int64_t max) {
  progressMax = max;
  progressValue = std::clamp<int64_t>(progressValue, 0, std::max<int64_t>(progressMax, 0));
  Refresh();
}

void StatusModel::SetValue(int64_t value) {
  // A bar never shows more than full, however the backends count.
  progressValue = std::clamp<int64_t>(value, 0, std::max<int64_t>(progressMax, 0));
  Refresh();
}

void StatusModel::Refresh() {
  if (view != nullptr) view->Refresh();
}

void StatusModel::Load(Session& session) {
  loaded = true;
  visible = true;
  // Without a main window nothing would bring a hidden Status window back.
  backgroundButtonEnabled = !session.job.dropMode && !session.job.statusOnly;
  backgroundButtonVisible = true;
  session.job.cancelExtract = false;
  cancelButtonCaption = "Cancel";
  cancelButtonVisible = true;
  if (MainWindowView* main = MainWindowViewOf(session)) {
    main->SetBusy(true);
    main->SetEnabled(false);
  }
  backgroundButtonCaption = "Background";
  archiveLabel = "Preparing to extract files...";
  messageLabel.clear();
  progressMax = 100;
  progressValue = 0;
  Refresh();
}

void StatusModel::CancelButtonClicked(Session& session) {
  if (cancelButtonCaption == "Cancel") {
    session.job.extractResult = 1;
    session.job.cancelExtract = true;
    session.job.cancelPressed = true;
    return;
  }
  Unload(session);
}

void StatusModel::BackgroundButtonClicked(Session& session) {
  if (!backgroundButtonEnabled || !backgroundButtonVisible) return;
  if (backgroundButtonCaption == "Explore") {
    // Closing the window already gave the main window back.
    Unload(session);
    ExploreFolder(FolderToExplore(session.mainWindow.destinationBox.text), session.events,
                  session.dialogs);
    return;
  }
  visible = false;
  if (MainWindowView* main = MainWindowViewOf(session)) {
    if (MainWindowToGiveBack(session) != nullptr) main->SetEnabled(true);
    session.job.savedWindowState = main->WindowState();
    main->SetWindowState(kWindowMinimized);
  }
  session.job.statusMinimised = true;
  Refresh();
}

bool StatusModel::EscapeCancels() const {
  return loaded && cancelButtonVisible && cancelButtonCaption == "Cancel";
}

void StatusModel::Unload(Session& session) {
  loaded = false;
  session.job.statusMinimised = false;
  if (MainWindowView* main = MainWindowToGiveBack(session)) {
    main->SetEnabled(true);
    main->SetBusy(false);
    // Showing a window that is already visible brings it to the front with the focus.
    if (main->IsVisible()) main->Show();
  }
  Refresh();
}

void MainWindowActivated(Session& session) {
  JobState& job = session.job;
  if (!job.statusMinimised) return;
  // Cleared first: restoring the window may report its activation again.
  job.statusMinimised = false;
  MainWindowView* main = MainWindowViewOf(session);
  if (main != nullptr) main->SetWindowState(job.savedWindowState);
  session.status.visible = true;
  session.status.Refresh();
  if (main != nullptr) main->SetEnabled(false);
}

void ConfirmationModel::Load(Session& session) {
  showAgain = true;
  newDestinationVisible = session.job.dropMode;
  keepBroken = session.job.keepBroken;
  message = ConfirmationText(session.mainWindow.destinationBox.text);
}

void ConfirmationModel::GoClicked(Session& session) {
  session.job.confirmCancelled = false;
  session.job.keepBroken = keepBroken;
  if (!showAgain) ApplicationSettings().SaveSetting("General", "Show confirmation", "0");
  Unload(session);
}

void ConfirmationModel::CancelClicked(Session& session) {
  session.job.confirmCancelled = true;
  Unload(session);
}

void ConfirmationModel::NewDestinationClicked(Session& session) {
  JobState& job = session.job;
  DestinationRequest request;
  request.showPerArchiveCheck = job.archiveType == "zip" && job.dropMode;
  const std::string& destination = session.mainWindow.destinationBox.text;
  if (DirectoryExists(destination)) {
    request.startFolder = destination;
  } else if (job.confirmFromDriver) {
    request.startFolder = session.mainWindow.currentFolder;
  }
  const DestinationAnswer answer = session.dialogs.ChooseDestination(request);
  job.chosenDestination = answer.chosenDestination;
  if (answer.chosenDestination.empty()) return;
  job.perArchiveFolder = answer.perArchiveFolder;
  session.mainWindow.destinationBox.text = answer.chosenDestination;
  message = ConfirmationText(answer.chosenDestination);
}

void ConfirmationModel::Unload(Session& session) {
  session.job.confirmFromDriver = false;
}

void ImportantMessageModel::OkClicked(Session& session) {
  if (showAgain) return;
  ApplicationSettings().SaveSetting("General", "Show non-zip message", "no");
  session.settings.showNonZipMessage = "no";
}

}  // namespace tessaly
