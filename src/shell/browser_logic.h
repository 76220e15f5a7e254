// The main window's browsing decisions: the file-type filter, the folder change,
// the start folder, double clicks, type-to-find and files dropped on Extract.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct BrowserState;
struct Session;
struct SettingsVars;
struct JobState;

// The filter's captions, list index 0 to 7.
const std::vector<std::string>& FilterCaptions();
// "*.zip", "*.arj", "*.rar", "*.ace", "*.exe", "*.*" for 0 to 5; the archives read
// through libarchive for 6 ("Other Archives"), every archive type for 7 ("All
// Archives"); "*.zip" for any other.
std::string PatternForIndex(int index);
// General/Show File Type as a list index; a value that names no entry gives 0.
int FilterIndexFromSetting(const std::string& showFileType);

// The filter turned to newIndex: the archive-set notice for Arj, Rar and Ace
// unless startingUp or the user turned it off; browser.fileTypeIndex and filePattern;
// then, unless startingUp, the view lists the folder again and recounts the selection.
void FilterChange(Session& session, BrowserState& browser, int newIndex, bool startingUp);

// The tree selected folderPath: mainWindow.currentFolder becomes it, ending in "/".
// Returns the window caption, "Tessaly - " + CurrentFolder.
std::string FolderChange(Session& session, const std::string& folderPath);

// The folder the tree selects at start-up by startupFolderMode: "1" the last source
// folder, "2" the custom folder, else currentDirectory; a chosen folder that is not
// an absolute path of an existing folder falls back to currentDirectory.
std::string StartFolderFor(const SettingsVars& settings, const std::string& currentDirectory,
                           const std::function<bool(const std::string&)>& folderExists);

enum class DoubleClickAction { OpenFolder, Extract, ArchiveContents, Launch, Nothing };

// A folder item opens; a file acts by doubleClickAction: "0" extract, "1" archive contents,
// "2" launch, anything else nothing.
DoubleClickAction DoubleClickActionFor(bool folderItem, const std::string& doubleClickAction);

// The item that text typed in the list selects: the first, from the current one on and
// round to the top, that begins with typed; typing one character again and again steps
// to the next item beginning with it. -1 when none does. Texts and typed are compared
// byte for byte, so the caller folds their case first.
int FindItemForTypedText(const std::vector<std::string>& texts, const std::string& typed,
                         int current);

// Where a location typed or pasted in the main window leads: the folder to browse
// (ending in "/") and, when it names a file, that file's name there.
struct Location {
  std::string folder;
  std::string file;
};
// typed may start with "~" (home) or be relative to currentFolder; "." and ".." are
// resolved by name. Nothing when no folder or file is there.
std::optional<Location> FindLocation(std::string typed, const std::string& currentFolder,
                                     const std::string& home);

// Files dropped on Extract become the job's selection, in drop order; a path that
// starts with a doubled separator keeps one.
void TakeDroppedFiles(JobState& job, const std::vector<std::string>& paths);

}  // namespace tessaly
