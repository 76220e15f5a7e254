// Drop-target mode and the tray icon: what changes when the main window gives way
// to the drop target, what a file dropped on it starts, and which window's menu the
// one tray icon opens.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

struct Session;

inline constexpr const char* kDropTargetCaption = "Tessaly - Drop Target Mode";
// Said by the tray commands where the desktop has no tray to put an icon in.
inline constexpr const char* kNoSystemTrayText = "No system tray is available on this desktop.";

// Returns the main window's caption while the drop target stands in for it.
std::string EnterDropTargetMode(Session& session);
// Returns the main window's caption again: "Tessaly - " and the folder browsed.
std::string LeaveDropTargetMode(Session& session);
// Extracts the dropped files, in drop order, to the destination box's folder.
void ExtractDroppedOnTarget(Session& session, const std::vector<std::string>& paths);

enum class TrayOwner { None, MainWindow, DropTarget };

// There is one tray icon; it reports to the window that added it.
struct TrayState {
  TrayOwner owner = TrayOwner::None;
  std::string tip;
};

// Adds the icon for owner with the main window's caption as its tip; false when an
// icon is already there, which then stays as it is.
bool AddTrayIcon(TrayState& tray, TrayOwner owner, const std::string& mainCaption);
// Removes the icon when owner added it; false when it did not.
bool RemoveTrayIcon(TrayState& tray, TrayOwner owner);
// The object name of the menu a right click on the icon opens: the main window's
// "mnuSystemtray", the drop target's "iconpopup" while it shows, "syspop" while hidden.
std::string TrayMenuFor(TrayOwner owner, bool dropTargetVisible);
// The tip holds 63 characters at most.
std::string TrayTip(const std::string& caption);

}  // namespace tessaly
