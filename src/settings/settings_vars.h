// The setting variables the program consults, filled by LoadSettings.
#pragma once

#include <string>

namespace tessaly {

class Dialogs;

struct SettingsVars {
  std::string HideOutput;
  int ShellWindowStyle = 0;
  std::string DCAction;
  std::string ShowNonZipMessage;
  std::string ArjLocation;
  std::string ShowConfirmation;
  std::string ShowFileType;
  std::string LastDestinationFolder;
  std::string LastSourceFolder;
  std::string StartupFolderMode;
  std::string StartupFolder;
  std::string StartupMode;
  std::string CloseExtractWindow;
  std::string TempFolder;  // private per-user folder, ending in "/"
};

// Reads every setting (writing the first-run defaults first on the very first run).
void LoadSettings(SettingsVars& vars, Dialogs& dialogs);
// Shows the Welcome window and writes the first-run values.
void SetFirstRunDefaults(Dialogs& dialogs);
// $TMPDIR (default /tmp) + "tessaly-<uid>/", created with mode 0700. When that name is
// a symlink, not a folder, another user's, or open to others, a fresh private mkdtemp
// folder is used instead (and kept while it stays private). Stored in vars.TempFolder
// and returned; "" when no private folder can be made.
std::string GetTempFolder(SettingsVars& vars);

}  // namespace tessaly
