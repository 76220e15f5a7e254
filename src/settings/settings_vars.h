// The setting variables the program consults, filled by LoadSettings.
#pragma once

#include <string>

namespace tessaly {

class Dialogs;

struct SettingsVars {
  std::string hideOutput;
  int shellWindowStyle = 0;
  std::string doubleClickAction;
  std::string showNonZipMessage;
  std::string arjLocation;
  std::string showConfirmation;
  std::string showFileType;
  std::string lastDestinationFolder;
  std::string lastSourceFolder;
  std::string startupFolderMode;
  std::string startupFolder;
  std::string startupMode;
  std::string closeExtractWindow;
  std::string tempFolder;    // private per-user folder, ending in "/"
  std::string nameEncoding;  // Options/Name Encoding: "Automatic" or a code page
  // "1": a damaged entry is kept as "<name>.damaged".
  std::string keepBrokenFiles;
};

// Where the default code page of names not in Unicode is kept, and its value that
// judges it from each archive's names.
inline constexpr const char* kNameEncodingSection = "Options";
inline constexpr const char* kNameEncodingKey = "Name Encoding";
inline constexpr const char* kAutomaticNameEncoding = "Automatic";

enum class FirstRun {
  Welcome,  // on the very first run: the Welcome window, then the first-run values
  Later,    // leave both to a later run (a start that shows no main window)
};

// Reads every setting (writing the first-run defaults first on the very first run).
void LoadSettings(SettingsVars& vars, Dialogs& dialogs, FirstRun firstRun = FirstRun::Welcome);
// Shows the Welcome window and writes the first-run values.
void SetFirstRunDefaults(Dialogs& dialogs);
// $TMPDIR (default /tmp) + "tessaly-<uid>/", created with mode 0700. When that name is
// a symlink, not a folder, another user's, or open to others, a fresh private mkdtemp
// folder is used instead (and kept while it stays private). Stored in vars.tempFolder
// and returned; "" when no private folder can be made.
std::string GetTempFolder(SettingsVars& vars);

}  // namespace tessaly
