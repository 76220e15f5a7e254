#include "archivekit/staged_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "archivekit/staging.h"

namespace archivekit {
namespace {

constexpr mode_t kNewFileMode = 0666;
// Short, so that it fits wherever the final name fits; hidden, so that a folder
// listing made while an entry is written does not show it.
constexpr const char* kTemporaryName = ".tessaly-XXXXXX";

// The umask is read from the kernel's status text: setting it to read it back would
// change it for every thread for a moment.
mode_t read_umask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
    }
  }
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

mode_t process_umask() {
  static const mode_t mask = read_umask();
  return mask;
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

}  // namespace

StagedFile::~StagedFile() {
  discard();
}

bool StagedFile::open(const std::string& path) {
  discard();
  std::string name;
  const int fd = create_staging_file(folder_of(path), name);
  if (fd < 0) return false;
  // The lock lives on the file's open description: a duplicate keeps it while the
  // file itself is closed (and its error seen) before it is renamed.
  const int lock = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  // The new file is private; the entry gets a new file's usual permissions.
  if (lock < 0 || fchmod(fd, kNewFileMode & ~process_umask()) != 0) {
    const int error = errno;
    unlink(name.c_str());
    forget_staged(name);
    close(fd);
    if (lock >= 0) close(lock);
    errno = error;
    return false;
  }
  fd_ = fd;
  lock_fd_ = lock;
  path_ = path;
  temporary_ = std::move(name);
  return true;
}

void StagedFile::release() {
  forget_staged(temporary_);
  temporary_.clear();
  close(lock_fd_);
  lock_fd_ = -1;
}

bool StagedFile::commit() {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  int error = close(fd) == 0 ? 0 : errno;
  if (error == 0) {
    // rename(2) never replaces a folder with a file: it fails with EISDIR.
    if (rename(temporary_.c_str(), path_.c_str()) == 0) {
      release();
      return true;
    }
    error = errno;
  }
  unlink(temporary_.c_str());
  release();
  errno = error;
  return false;
}

void StagedFile::discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) {
    const int error = errno;
    unlink(temporary_.c_str());
    release();
    errno = error;
  }
}

bool place_symlink(const std::string& target, const std::string& path) {
  // symlink(2) has no exclusive-temporary form: try fresh names until one is free.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder_of(path) + kTemporaryName;
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    unlink(name.c_str());
    if (symlink(target.c_str(), name.c_str()) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (rename(name.c_str(), path.c_str()) == 0) return true;
    const int error = errno;
    unlink(name.c_str());
    errno = error;
    return false;
  }
  errno = EEXIST;
  return false;
}

mode_t permitted_mode(uint32_t recorded) {
  return static_cast<mode_t>(recorded) & 0777 & ~process_umask();
}

}  // namespace archivekit
