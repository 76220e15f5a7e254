#include "shell/find_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/folder_listing.h"

namespace tessaly {

namespace {

class Walk {
 public:
  Walk(const std::string& pattern, const std::atomic<bool>& stop,
       const std::function<void(std::vector<std::string>)>& found, size_t batchSize)
      : pattern_(pattern), stop_(stop), found_(found), batchSize_(batchSize) {}

  // The descriptor is owned here; path ends in "/".
  void Folder(int dirFd, const std::string& path) {
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
      close(dirFd);
      return;
    }
    while (const dirent* entry = readdir(dir)) {
      if (stop_.load(std::memory_order_relaxed)) break;
      const std::string name(entry->d_name);
      if (name == "." || name == "..") continue;
      if (FindPatternMatches(name, pattern_)) Add(path + name);
      bool folder = entry->d_type == DT_DIR;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat info {};
        folder = fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                 S_ISDIR(info.st_mode);
      }
      if (folder) {
        const int child = openat(dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (child >= 0) Folder(child, path + name + "/");
      }
    }
    closedir(dir);
  }

  void Flush() {
    if (!batch_.empty()) found_(std::move(batch_));
    batch_.clear();
    lastFlush_ = std::chrono::steady_clock::now();
  }

 private:
  void Add(std::string path) {
    batch_.push_back(std::move(path));
    if (batch_.size() >= batchSize_ ||
        std::chrono::steady_clock::now() - lastFlush_ > std::chrono::milliseconds(100))
      Flush();
  }

  const std::string& pattern_;
  const std::atomic<bool>& stop_;
  const std::function<void(std::vector<std::string>)>& found_;
  size_t batchSize_;
  std::vector<std::string> batch_;
  std::chrono::steady_clock::time_point lastFlush_ = std::chrono::steady_clock::now();
};

}  // namespace

bool FindPatternMatches(const std::string& name, const std::string& pattern) {
  if (pattern.find_first_of("*?") == std::string::npos)
    return MatchesFilePattern(name, "*" + pattern + "*");
  return MatchesFilePattern(name, pattern);
}

void FindFiles(const std::string& folder, const std::string& pattern, const std::atomic<bool>& stop,
               const std::function<void(std::vector<std::string> batch)>& found, size_t batchSize) {
  std::string base = folder;
  if (base.empty() || base.back() != '/') base += '/';
  Walk walk(pattern, stop, found, batchSize == 0 ? 1 : batchSize);
  const int dirFd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) walk.Folder(dirFd, base);
  walk.Flush();
}

}  // namespace tessaly
