#include "archivekit/staging.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <shared_mutex>
#include <vector>

namespace archivekit {
namespace {

constexpr std::string_view kPrefix = ".tessaly-";
constexpr size_t kRandomLength = 6;
// A sweep of another run may take a fresh entry's name before its lock is held.
constexpr int kCreateAttempts = 100;

// What this process has staged. Creation holds the first lock shared (threads make
// their entries at once), so once the interruption has taken it for good, nothing new
// appears; the list itself is under the second.
struct StagedList {
  std::shared_mutex creating;
  std::mutex mutex;
  std::vector<std::string> paths;
};

StagedList& staged_list() {
  static StagedList* list = new StagedList;  // never destroyed: threads may outlive main
  return *list;
}

// The folders this process has swept already.
struct SweptFolders {
  std::mutex mutex;
  std::set<std::string> folders;
  void (*observer)(const std::string&) = nullptr;
  // Where child processes stage: swept once they are gone.
  std::set<std::string> adopted;
};

SweptFolders& swept_folders() {
  static SweptFolders* swept = new SweptFolders;
  return *swept;
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when name in folder is still the entry fd has open.
bool still_named(int folder, const char* name, int fd) {
  struct stat named {};
  struct stat opened {};
  return fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && fstat(fd, &opened) == 0 &&
         same_file(named, opened);
}

// True while fd's file still has a name. Only a sweep removes a staging name that is
// not its own, so a file that kept its name kept the one it was made under.
bool still_has_name(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && info.st_nlink > 0;
}

// The six letters or digits of a fresh staging name, from a generator each thread
// seeds once, so that a name costs no system call.
std::string random_suffix() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string suffix(kRandomLength, '0');
  for (char& c : suffix) c = kLetters[pick(generator)];
  return suffix;
}

void remove_entry(int parent, const char* name) {
  struct stat info {};
  if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (!S_ISDIR(info.st_mode)) {
    unlinkat(parent, name, 0);
    return;
  }
  // A folder unpacked with no permissions for its owner could be neither read nor
  // emptied. It was just found to be a folder, not a link.
  fchmodat(parent, name, S_IRWXU, 0);
  const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder >= 0) {
    std::vector<std::string> names;
    if (DIR* listing = fdopendir(dup(folder))) {
      while (const dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
          names.emplace_back(entry->d_name);
        }
      }
      closedir(listing);
    }
    for (const std::string& child : names) remove_entry(folder, child.c_str());
    close(folder);
  }
  unlinkat(parent, name, AT_REMOVEDIR);
}

// Removes the staging entries of folder that no live run holds. Entries that are
// neither files nor folders (links included) are never touched: they cannot be locked.
void sweep(const std::string& folder) {
  const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  std::vector<std::string> names;
  if (DIR* listing = fdopendir(dup(dir))) {
    while (const dirent* entry = readdir(listing)) {
      if (is_staging_name(entry->d_name)) names.emplace_back(entry->d_name);
    }
    closedir(listing);
  }
  for (const std::string& name : names) {
    const int fd = openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    const bool lockable = fstat(fd, &info) == 0 && (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode));
    // Held until the entry is gone, so that no run can take the name meanwhile.
    if (lockable && flock(fd, LOCK_EX | LOCK_NB) == 0 && still_named(dir, name.c_str(), fd)) {
      remove_entry(dir, name.c_str());
    }
    close(fd);
  }
  close(dir);
}

void sweep_once(const std::string& folder) {
  SweptFolders& swept = swept_folders();
  void (*observer)(const std::string&) = nullptr;
  {
    const std::lock_guard<std::mutex> hold(swept.mutex);
    if (!swept.folders.insert(folder).second) return;
    observer = swept.observer;
  }
  if (observer) observer(folder);
  sweep(folder);
}

// Makes one entry by make (which returns its descriptor, or -1), locks it and lists it.
template <typename Make>
int create_staged(const std::string& folder, std::string& path, Make make) {
  sweep_once(folder);
  StagedList& list = staged_list();
  const std::shared_lock<std::shared_mutex> creating(list.creating);
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    std::string name = folder + std::string(kPrefix) + std::string(kRandomLength, 'X');
    const int fd = make(name);
    if (fd < 0) return -1;
    // A sweep that took the entry first removes it: try a new name.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && still_has_name(fd)) {
      const std::lock_guard<std::mutex> hold(list.mutex);
      list.paths.push_back(name);
      path = std::move(name);
      return fd;
    }
    close(fd);
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

bool is_staging_name(std::string_view name) {
  if (name.size() != kPrefix.size() + kRandomLength || name.substr(0, kPrefix.size()) != kPrefix) {
    return false;
  }
  return std::all_of(name.begin() + kPrefix.size(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

int create_staging_file(const std::string& folder, std::string& path) {
  return create_staged(folder, path,
                       [](std::string& name) { return mkostemp(name.data(), O_CLOEXEC); });
}

int create_staging_file_at(int folder_fd, const std::string& folder, mode_t mode,
                           std::string& path) {
  return create_staged(folder, path, [&](std::string& name) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
      name.replace(name.size() - kRandomLength, kRandomLength, random_suffix());
      const int fd = openat(folder_fd, name.c_str() + folder.size(),
                            O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
  });
}

bool link_unnamed_file(int fd, int folder_fd, const char* name) {
  static std::atomic<bool> byDescriptor{true};
  if (byDescriptor.load(std::memory_order_relaxed)) {
    if (linkat(fd, "", folder_fd, name, AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT) return false;
    byDescriptor.store(false, std::memory_order_relaxed);
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, self.c_str(), folder_fd, name, AT_SYMLINK_FOLLOW) == 0;
}

int link_staging_file_at(int fd, int folder_fd, const std::string& folder, std::string& path) {
  return create_staged(folder, path, [&](std::string& name) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
      name.replace(name.size() - kRandomLength, kRandomLength, random_suffix());
      if (link_unnamed_file(fd, folder_fd, name.c_str() + folder.size())) {
        return fcntl(fd, F_DUPFD_CLOEXEC, 0);
      }
      if (errno != EEXIST) return -1;
    }
    return -1;
  });
}

int create_staging_folder(const std::string& folder, std::string& path) {
  return create_staged(folder, path, [](std::string& name) {
    if (mkdtemp(name.data()) == nullptr) return -1;
    const int fd = open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) rmdir(name.c_str());
    return fd;
  });
}

void forget_staged(const std::string& path) {
  StagedList& list = staged_list();
  const std::lock_guard<std::mutex> hold(list.mutex);
  const auto found = std::find(list.paths.begin(), list.paths.end(), path);
  if (found != list.paths.end()) list.paths.erase(found);
}

void remove_everything_staged() {
  StagedList& list = staged_list();
  // Never unlocked: the program ends.
  list.creating.lock();
  list.mutex.lock();
  for (const std::string& path : list.paths) remove_tree(path);
  SweptFolders& swept = swept_folders();
  const std::lock_guard<std::mutex> hold(swept.mutex);
  for (const std::string& folder : swept.adopted) sweep(folder);
}

void set_staging_folder_observer(void (*observer)(const std::string& folder)) {
  SweptFolders& swept = swept_folders();
  const std::lock_guard<std::mutex> hold(swept.mutex);
  swept.observer = observer;
}

void adopt_staging_folder(const std::string& folder) {
  SweptFolders& swept = swept_folders();
  const std::lock_guard<std::mutex> hold(swept.mutex);
  swept.adopted.insert(folder);
}

void sweep_staging_folder(const std::string& folder) {
  sweep(folder);
}

void remove_tree(const std::string& path) {
  remove_entry(AT_FDCWD, path.c_str());
}

}  // namespace archivekit
