#include "shell/drop_target.h"

#include "engine/driver.h"
#include "engine/session.h"
#include "shell/browser_logic.h"

namespace tessaly {

namespace {

constexpr size_t kTipCharacters = 63;

}  // namespace

std::string EnterDropTargetMode(Session& session) {
  session.job.dropMode = true;
  return kDropTargetCaption;
}

std::string LeaveDropTargetMode(Session& session) {
  session.job.dropMode = false;
  return "Tessaly - " + session.mainWindow.currentFolder;
}

void ExtractDroppedOnTarget(Session& session, const std::vector<std::string>& paths) {
  if (RefuseWhileJobRuns(session)) return;
  TakeDroppedFiles(session.job, paths);
  // The extraction dialogs place themselves for the drop target while this is set.
  session.job.dropMode = true;
  ExtractSelectedArchives(session, CallingWindow::DropTarget);
  session.job.dropMode = false;
}

bool AddTrayIcon(TrayState& tray, TrayOwner owner, const std::string& mainCaption) {
  if (tray.owner != TrayOwner::None) return false;
  tray.owner = owner;
  tray.tip = TrayTip(mainCaption);
  return true;
}

bool RemoveTrayIcon(TrayState& tray, TrayOwner owner) {
  if (owner == TrayOwner::None || tray.owner != owner) return false;
  tray = TrayState{};
  return true;
}

std::string TrayMenuFor(TrayOwner owner, bool dropTargetVisible) {
  switch (owner) {
    case TrayOwner::MainWindow:
      return "mnuSystemtray";
    case TrayOwner::DropTarget:
      return dropTargetVisible ? "iconpopup" : "syspop";
    case TrayOwner::None:
      break;
  }
  return "";
}

std::string TrayTip(const std::string& caption) {
  // Counted in characters, so a folder name is never cut inside one.
  size_t characters = 0;
  for (size_t i = 0; i < caption.size(); ++i) {
    if ((static_cast<unsigned char>(caption[i]) & 0xC0) == 0x80) continue;
    if (characters == kTipCharacters) return caption.substr(0, i);
    ++characters;
  }
  return caption;
}

}  // namespace tessaly
