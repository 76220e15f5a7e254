#include "shell/browser_logic.h"

#include <charconv>
#include <filesystem>

#include "engine/extraction_dialogs.h"
#include "engine/session.h"
#include "platform/file_icons.h"
#include "platform/files.h"
#include "shell/browser_state.h"

namespace tessaly {
namespace {

constexpr int kArjFilter = 1;
constexpr int kAceFilter = 3;

// Patterns for each extension, separated by ";".
std::string PatternsFor(const std::vector<std::string>& extensions) {
  std::string patterns;
  for (const std::string& extension : extensions) {
    if (!patterns.empty()) patterns += ';';
    patterns += "*" + extension;
  }
  return patterns;
}

const std::vector<std::string>& FilterPatterns() {
  static const std::vector<std::string> patterns = [] {
    const std::string others = PatternsFor(OtherArchiveExtensions());
    return std::vector<std::string>{
        "*.zip;*.zipx", "*.arj",
        "*.rar",        "*.ace",
        "*.exe",        "*.*",
        others,         PatternsFor({".zip", ".zipx", ".arj", ".rar", ".ace"}) + ";" + others};
  }();
  return patterns;
}

bool ValidFilterIndex(int index) {
  return index >= 0 && index < static_cast<int>(FilterPatterns().size());
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

const std::vector<std::string>& FilterCaptions() {
  // The later entries come last, so that a saved choice keeps its place.
  static const std::vector<std::string> captions = {"Zip Files",      "Arj Files",   "Rar Files",
                                                    "Ace Files",      "Exe Files",   "All Files",
                                                    "Other Archives", "All Archives"};
  return captions;
}

std::string PatternForIndex(int index) {
  return ValidFilterIndex(index) ? FilterPatterns()[static_cast<size_t>(index)]
                                 : FilterPatterns().front();
}

int FilterIndexFromSetting(const std::string& showFileType) {
  const std::string text = Trimmed(showFileType);
  int index = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
  if (error != std::errc() || end != text.data() + text.size()) return 0;
  return ValidFilterIndex(index) ? index : 0;
}

void FilterChange(Session& session, BrowserState& browser, int newIndex, bool startingUp) {
  if (!ValidFilterIndex(newIndex)) newIndex = 0;
  // Arj, Rar and Ace archives come in sets whose first file stands for the whole set.
  if (!startingUp && session.settings.showNonZipMessage.empty() && newIndex >= kArjFilter &&
      newIndex <= kAceFilter) {
    ImportantMessageModel notice;
    session.dialogs.ShowImportantMessage(notice);
  }
  browser.fileTypeIndex = newIndex;
  browser.filePattern = PatternForIndex(newIndex);
  MainWindowView* view = session.mainWindow.view;
  if (startingUp || !view) return;
  view->ListFolder();
  view->UpdateSelectionState();
}

std::string FolderChange(Session& session, const std::string& folderPath) {
  std::string& current = session.mainWindow.currentFolder;
  current = folderPath;
  if (!current.empty() && current.back() != '/') current += '/';
  return "Tessaly - " + current;
}

std::string StartFolderFor(const SettingsVars& settings, const std::string& currentDirectory,
                           const std::function<bool(const std::string&)>& folderExists) {
  std::string chosen;
  if (settings.startupFolderMode == "1") {
    chosen = settings.lastSourceFolder;
  } else if (settings.startupFolderMode == "2") {
    chosen = settings.startupFolder;
  } else {
    return currentDirectory;
  }
  // A relative name (the never-saved "3") would depend on where the program starts.
  if (chosen.empty() || chosen.front() != '/' || !folderExists(chosen)) return currentDirectory;
  return chosen;
}

DoubleClickAction DoubleClickActionFor(bool folderItem, const std::string& doubleClickAction) {
  if (folderItem) return DoubleClickAction::OpenFolder;
  if (doubleClickAction == "0") return DoubleClickAction::Extract;
  if (doubleClickAction == "1") return DoubleClickAction::ArchiveContents;
  if (doubleClickAction == "2") return DoubleClickAction::Launch;
  return DoubleClickAction::Nothing;
}

namespace {

// The bytes of text's first UTF-8 character.
size_t FirstCharacterLength(const std::string& text) {
  size_t length = 1;
  while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

bool IsOneCharacterRepeated(const std::string& typed, size_t length) {
  if (typed.size() % length != 0) return false;
  for (size_t at = length; at < typed.size(); at += length) {
    if (typed.compare(at, length, typed, 0, length) != 0) return false;
  }
  return true;
}

}  // namespace

int FindItemForTypedText(const std::vector<std::string>& texts, const std::string& typed,
                         int current) {
  if (typed.empty() || texts.empty()) return -1;
  const size_t first = FirstCharacterLength(typed);
  const bool stepping = IsOneCharacterRepeated(typed, first);
  const std::string prefix = stepping ? typed.substr(0, first) : typed;
  const size_t count = texts.size();
  // Stepping leaves the current item; a longer prefix keeps it while it still matches.
  const size_t start = current < 0 ? 0 : static_cast<size_t>(current) + (stepping ? 1 : 0);
  for (size_t step = 0; step < count; ++step) {
    const size_t i = (start + step) % count;
    if (texts[i].starts_with(prefix)) return static_cast<int>(i);
  }
  return -1;
}

std::optional<Location> FindLocation(std::string typed, const std::string& currentFolder,
                                     const std::string& home) {
  while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\n')) typed.pop_back();
  while (!typed.empty() && typed.front() == ' ') typed.erase(0, 1);
  if (typed.empty()) return std::nullopt;
  if (typed == "~" || typed.starts_with("~/")) typed = home + "/" + typed.substr(1);
  const std::filesystem::path path =
      std::filesystem::path(typed.starts_with('/') ? typed : currentFolder + "/" + typed)
          .lexically_normal();
  std::string whole = path.string();
  if (whole.size() > 1 && whole.back() == '/') whole.pop_back();
  if (DirectoryExists(whole)) return Location{whole == "/" ? whole : whole + "/", ""};
  if (!FileExists(whole)) return std::nullopt;
  const std::string folder = path.parent_path().string();
  return Location{folder == "/" ? folder : folder + "/", path.filename().string()};
}

void TakeDroppedFiles(JobState& job, const std::vector<std::string>& paths) {
  job.selectedFiles.clear();
  job.selectedFiles.reserve(paths.size());
  for (const std::string& path : paths) {
    job.selectedFiles.push_back(path.starts_with("//") ? path.substr(1) : path);
  }
  job.selectedCount = static_cast<int>(job.selectedFiles.size());
}

}  // namespace tessaly
