#include "platform/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "platform/file_icons.h"

namespace tessaly {
namespace {

char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0;
  size_t starAt = std::string_view::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool SinglePatternMatch(std::string_view name, std::string_view pattern) {
  if (WildcardMatch(name, pattern)) return true;
  return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
         name.find('.') == std::string_view::npos &&
         WildcardMatch(name, pattern.substr(0, pattern.size() - 2));
}

// Patterns separated by ";" match a name that any of them matches.
bool PatternMatch(std::string_view name, std::string_view patterns) {
  for (;;) {
    const size_t separator = patterns.find(';');
    if (SinglePatternMatch(name, patterns.substr(0, separator))) return true;
    if (separator == std::string_view::npos) return false;
    patterns.remove_prefix(separator + 1);
  }
}

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = FoldCase(c);
  return folded;
}

// One name found in the folder, kept small until the order is known.
struct FoundEntry {
  std::string name;
  std::string folded;
  bool folder = false;
  bool linked = false;  // reached through a link: its details are already read
  uint64_t bytes = 0;
  int64_t mtime = 0;
};

// Folders first; letters compare without regard to case, and names equal that way
// fall back to byte order so that the list never depends on the order the folder
// was read in.
bool ListedBefore(const FoundEntry& a, const FoundEntry& b) {
  if (a.folder != b.folder) return a.folder;
  const int byFolded = a.folded.compare(b.folded);
  return byFolded != 0 ? byFolded < 0 : a.name < b.name;
}

void SetDetails(FileListItem& item, uint64_t bytes, int64_t mtime) {
  item.bytes = bytes;
  item.mtime = mtime;
  item.size = FormatFileSize(item.bytes);
  item.detailsPending = false;
}

class DirHandle {
 public:
  explicit DirHandle(const std::string& path) : dir_(opendir(path.c_str())) {}
  ~DirHandle() {
    if (dir_) closedir(dir_);
  }
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

}  // namespace

bool NameOrderBefore(const std::string& a, const std::string& b) {
  const int byFolded = FoldedName(a).compare(FoldedName(b));
  return byFolded != 0 ? byFolded < 0 : a < b;
}

bool MatchesFilePattern(const std::string& name, const std::string& pattern) {
  return PatternMatch(name, pattern);
}

std::vector<FileListItem> ListFolder(const std::string& path, const std::string& pattern) {
  DirHandle dir(path);
  if (!dir.get()) return {};
  const int dirFd = dirfd(dir.get());

  std::vector<FoundEntry> found;
  while (const dirent* entry = readdir(dir.get())) {
    const char* name = entry->d_name;
    if (name[0] == '.' || name[0] == '\0') continue;

    const std::string_view nameView(name);
    FoundEntry item;
    item.folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_REG) {
      if (!PatternMatch(nameView, pattern)) continue;
    } else if (!item.folder) {
      // Links and entries of unknown type are looked through to what they name.
      if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
      struct stat info {};
      if (fstatat(dirFd, name, &info, 0) != 0) continue;
      item.folder = S_ISDIR(info.st_mode);
      if (!item.folder && !(S_ISREG(info.st_mode) && PatternMatch(nameView, pattern))) continue;
      item.linked = true;
      item.bytes = static_cast<uint64_t>(info.st_size);
      item.mtime = static_cast<int64_t>(info.st_mtim.tv_sec);
    }
    item.name = nameView;
    item.folded = FoldedName(nameView);
    found.push_back(std::move(item));
  }
  std::sort(found.begin(), found.end(), ListedBefore);

  std::vector<FileListItem> rows(found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    FoundEntry& entry = found[i];
    FileListItem& row = rows[i];
    if (entry.folder) {
      row.iconKey = "DOS";
      row.tag = path + entry.name;
    } else {
      row.iconKey = FileIconKey(entry.name);
      if (entry.linked) {
        SetDetails(row, entry.bytes, entry.mtime);
      } else {
        row.detailsPending = true;
      }
    }
    row.text = std::move(entry.name);
  }
  return rows;
}

std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  for (const FileListItem& item : ListFolder(folder.empty() ? "./" : folder, pattern)) {
    if (item.tag.empty()) names.push_back(item.text);
  }
  return names;
}

void LoadFileDetails(const std::string& folder, FileListItem& item) {
  if (!item.detailsPending) return;
  item.detailsPending = false;
  struct stat info {};
  if (stat((folder + item.text).c_str(), &info) == 0) {
    SetDetails(item, static_cast<uint64_t>(info.st_size),
               static_cast<int64_t>(info.st_mtim.tv_sec));
  }
}

std::string FormatFileSize(uint64_t bytes) {
  const std::string digits = std::to_string(bytes / 1024 + (bytes % 1024 != 0));
  std::string grouped;
  grouped.reserve(digits.size() + digits.size() / 3 + 2);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped + "KB";
}

std::string FormatFileDate(int64_t unixTime) {
  const time_t time = static_cast<time_t>(unixTime);
  if (static_cast<int64_t>(time) != unixTime) return "";
  struct tm local;
  if (!localtime_r(&time, &local)) return "";
  char text[64];
  const int length =
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                    local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  if (length < 0 || static_cast<size_t>(length) >= sizeof text) return "";
  return std::string(text, static_cast<size_t>(length));
}

}  // namespace tessaly
