#include "shell/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <string_view>

#include "shell/file_icons.h"

namespace tessaly {
namespace {

char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Letters compare without regard to case; names equal that way fall back to byte
// order so that the list never depends on the order the folder was read in.
bool NameBefore(const std::string& a, const std::string& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const unsigned char x = static_cast<unsigned char>(FoldCase(a[i]));
    const unsigned char y = static_cast<unsigned char>(FoldCase(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
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

bool PatternMatch(std::string_view name, std::string_view pattern) {
  if (WildcardMatch(name, pattern)) return true;
  return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
         name.find('.') == std::string_view::npos &&
         WildcardMatch(name, pattern.substr(0, pattern.size() - 2));
}

// The date text of the last time asked for: the files of one folder often share it.
class DateTexts {
 public:
  const std::string& For(int64_t unixTime) {
    if (!valid_ || unixTime != time_) {
      text_ = FormatFileDate(unixTime);
      time_ = unixTime;
      valid_ = true;
    }
    return text_;
  }

 private:
  bool valid_ = false;
  int64_t time_ = 0;
  std::string text_;
};

// Sorting positions rather than the rows moves each row once, not at every swap.
void AppendByName(std::vector<FileListItem>& items, std::vector<FileListItem>& rows) {
  std::vector<uint32_t> order(items.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&items](uint32_t a, uint32_t b) { return NameBefore(items[a].text, items[b].text); });
  for (const uint32_t index : order) rows.push_back(std::move(items[index]));
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

bool MatchesFilePattern(const std::string& name, const std::string& pattern) {
  return PatternMatch(name, pattern);
}

std::vector<FileListItem> ListFolder(const std::string& path, const std::string& pattern) {
  std::vector<FileListItem> folders;
  std::vector<FileListItem> files;
  DirHandle dir(path);
  if (!dir.get()) return {};
  const int dirFd = dirfd(dir.get());
  DateTexts dates;

  while (const dirent* entry = readdir(dir.get())) {
    const char* name = entry->d_name;
    if (name[0] == '.' || name[0] == '\0') continue;

    const std::string_view nameView(name);
    const bool regular = entry->d_type == DT_REG;
    if (regular && !PatternMatch(nameView, pattern)) continue;

    bool isFolder = entry->d_type == DT_DIR;
    bool isFile = false;
    struct stat info {};
    if (!isFolder) {
      // Links and entries of unknown type are looked through to what they name.
      if (!regular && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
      if (fstatat(dirFd, name, &info, 0) != 0) continue;
      isFolder = S_ISDIR(info.st_mode);
      isFile = S_ISREG(info.st_mode) && (regular || PatternMatch(nameView, pattern));
    }
    std::string text(nameView);

    if (isFolder) {
      FileListItem item;
      item.iconKey = "DOS";
      item.tag = path + text;
      item.text = std::move(text);
      folders.push_back(std::move(item));
    } else if (isFile) {
      FileListItem item;
      item.iconKey = IconKeyFor(ListExtension(text));
      item.bytes = static_cast<uint64_t>(info.st_size);
      item.mtime = static_cast<int64_t>(info.st_mtim.tv_sec);
      item.size = FormatFileSize(item.bytes);
      item.modified = dates.For(item.mtime);
      item.text = std::move(text);
      files.push_back(std::move(item));
    }
  }

  std::vector<FileListItem> rows;
  rows.reserve(folders.size() + files.size());
  AppendByName(folders, rows);
  AppendByName(files, rows);
  return rows;
}

std::string FormatFileSize(uint64_t bytes) {
  // Thousands plus a half, rounded half up: always one more than the whole thousands.
  const std::string digits = std::to_string(bytes / 1000 + 1);
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
