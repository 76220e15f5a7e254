#include "settings/private_temp_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

namespace tessaly {
namespace {

std::string TempRoot() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string root = (tmpdir && tmpdir[0] == '/') ? tmpdir : "/tmp";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root == "/" ? "" : root;
}

// A real folder (not a link to one) of ours that nobody else can list, enter or write.
bool IsPrivateFolder(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
            (info.st_mode & 077) == 0;
  // A restrictive umask may have left us without our own rights.
  if (ok && (info.st_mode & 0700) != 0700) ok = fchmod(fd, 0700) == 0;
  close(fd);
  return ok;
}

// The folder this process uses, held by a shared lock on its descriptor while the
// process lives: the last copy to leave removes it, and none removes it under another.
struct HeldFolder {
  std::mutex mutex;
  std::string path;
  int fd = -1;
  std::set<std::string> scratchFiles;
  std::set<std::string> scratchTrees;
};

HeldFolder& held_folder() {
  static HeldFolder* held = new HeldFolder;  // the interruption may use it as main ends
  return *held;
}

// True while path names the folder fd has open.
bool StillNamed(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  return fstat(fd, &opened) == 0 && opened.st_nlink > 0 && lstat(path.c_str(), &named) == 0 &&
         named.st_ino == opened.st_ino && named.st_dev == opened.st_dev;
}

// False when the folder went (another copy left it) before it was held.
bool Hold(const std::string& path) {
  HeldFolder& held = held_folder();
  const std::lock_guard<std::mutex> lock(held.mutex);
  if (held.path == path && StillNamed(held.fd, path)) return true;
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  if (flock(fd, LOCK_SH) != 0 || !StillNamed(fd, path)) {
    close(fd);
    return false;
  }
  if (held.fd >= 0) close(held.fd);
  held.fd = fd;
  held.path = path;
  return true;
}

}  // namespace

void NoteScratchFile(const std::string& path) {
  HeldFolder& held = held_folder();
  const std::lock_guard<std::mutex> lock(held.mutex);
  held.scratchFiles.insert(path);
}

void NoteScratchTree(const std::string& path) {
  HeldFolder& held = held_folder();
  const std::lock_guard<std::mutex> lock(held.mutex);
  held.scratchTrees.insert(path);
}

void LeavePrivateTempFolder() {
  HeldFolder& held = held_folder();
  const std::lock_guard<std::mutex> lock(held.mutex);
  // Deepest first: a folder noted here goes once the files in it have gone.
  for (auto path = held.scratchFiles.rbegin(); path != held.scratchFiles.rend(); ++path) {
    if (unlink(path->c_str()) != 0) rmdir(path->c_str());
  }
  held.scratchFiles.clear();
  for (const std::string& path : held.scratchTrees) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  held.scratchTrees.clear();
  if (held.fd < 0) return;
  // Fails while another copy holds it, and rmdir while anything is in it.
  if (flock(held.fd, LOCK_EX | LOCK_NB) == 0) rmdir(held.path.c_str());
  close(held.fd);
  held.fd = -1;
  held.path.clear();
}

std::string PrivateTempFolder(const std::string& previous) {
  const std::string root = TempRoot();
  const std::string ownName = root + "/tessaly-" + std::to_string(geteuid());
  // Another copy may remove the folder between its making and its lock: make it again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    mkdir(ownName.c_str(), 0700);
    if (!IsPrivateFolder(ownName)) break;
    if (Hold(ownName)) return ownName + "/";
  }

  const std::string fallbackPrefix = ownName + "-";
  if (previous.size() > fallbackPrefix.size() + 1 &&
      previous.compare(0, fallbackPrefix.size(), fallbackPrefix) == 0 && previous.back() == '/' &&
      IsPrivateFolder(previous.substr(0, previous.size() - 1)) &&
      Hold(previous.substr(0, previous.size() - 1))) {
    return previous;
  }
  std::string fresh = fallbackPrefix + "XXXXXX";
  if (!mkdtemp(fresh.data()) || !Hold(fresh)) return "";
  return fresh + "/";
}

}  // namespace tessaly
