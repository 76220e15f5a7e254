#include "shell/file_properties.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/folder_listing.h"

namespace tessaly {

namespace {

std::string UserName(uid_t uid) {
  const passwd* user = getpwuid(uid);
  return user ? user->pw_name : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
  const group* found = getgrgid(gid);
  return found ? found->gr_name : std::to_string(gid);
}

void SplitPath(const std::string& path, std::string& location, std::string& name) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  if (slash == std::string::npos || trimmed == "/") {
    location = "";
    name = trimmed;
    return;
  }
  location = trimmed.substr(0, slash + 1);
  name = trimmed.substr(slash + 1);
}

// Walks one opened folder; the descriptor is owned here.
void AddFolder(int dirFd, uint64_t& total, const std::atomic<bool>& stop,
               const std::function<void(uint64_t)>& progress,
               std::chrono::steady_clock::time_point& lastReport) {
  DIR* dir = fdopendir(dirFd);
  if (!dir) {
    close(dirFd);
    return;
  }
  while (const dirent* entry = readdir(dir)) {
    if (stop.load(std::memory_order_relaxed)) break;
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(info.st_mode)) {
      total += static_cast<uint64_t>(info.st_size);
    } else if (S_ISDIR(info.st_mode)) {
      const int child = openat(dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
      if (child >= 0) AddFolder(child, total, stop, progress, lastReport);
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport > std::chrono::milliseconds(100)) {
      lastReport = now;
      progress(total);
    }
  }
  closedir(dir);
}

}  // namespace

FileFacts GatherFileFacts(const std::vector<std::string>& paths) {
  FileFacts facts;
  if (paths.empty()) return facts;
  struct stat first {};
  if (stat(paths.front().c_str(), &first) != 0) return facts;
  facts.found = true;
  facts.path = paths.front();
  SplitPath(paths.front(), facts.location, facts.name);
  facts.isFolder = S_ISDIR(first.st_mode);
  facts.modified = static_cast<int64_t>(first.st_mtim.tv_sec);
  facts.accessed = static_cast<int64_t>(first.st_atim.tv_sec);
  facts.owner = UserName(first.st_uid);
  facts.group = GroupName(first.st_gid);
  facts.mode = first.st_mode & 07777;
  if (facts.isFolder)
    facts.folders.push_back(paths.front());
  else
    facts.bytes = static_cast<uint64_t>(first.st_size);
  if (paths.size() > 1) {
    facts.name = std::to_string(paths.size()) + " items";
    for (size_t i = 1; i < paths.size(); ++i) {
      struct stat info {};
      if (stat(paths[i].c_str(), &info) != 0) continue;
      if (S_ISREG(info.st_mode)) facts.bytes += static_cast<uint64_t>(info.st_size);
      if (S_ISDIR(info.st_mode)) facts.folders.push_back(paths[i]);
    }
  }
  return facts;
}

std::string SizeText(uint64_t bytes) {
  std::string digits = std::to_string(bytes);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return FormatFileSize(bytes) + " (" + digits + " bytes)";
}

std::string PermissionText(unsigned mode) {
  static const char kLetters[] = "rwxrwxrwx";
  std::string text(9, '-');
  for (int bit = 0; bit < 9; ++bit)
    if (mode & (0400u >> bit)) text[bit] = kLetters[bit];
  return text;
}

std::string OctalModeText(unsigned mode) {
  std::string text;
  for (int shift = 9; shift >= 0; shift -= 3)
    text += static_cast<char>('0' + ((mode >> shift) & 7));
  return text;
}

uint64_t CountFolderBytes(const std::string& folder, const std::atomic<bool>& stop,
                          const std::function<void(uint64_t total)>& progress) {
  uint64_t total = 0;
  auto lastReport = std::chrono::steady_clock::now();
  const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) AddFolder(dirFd, total, stop, progress, lastReport);
  progress(total);
  return total;
}

}  // namespace tessaly
