#include "archivekit/staged_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "archivekit/staging.h"

namespace archivekit {
namespace {

constexpr mode_t kNewFileMode = 0666;
// Short, so that it fits wherever the final name fits; hidden, so that a folder
// listing made while an entry is written does not show it.
constexpr const char* kTemporaryName = ".tessaly-XXXXXX";
constexpr const char* kDamagedSuffix = ".damaged";
constexpr int kDamagedNameAttempts = 1000;

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

// Whether a file made without a name can get one through /proc/self/fd here.
bool unnamed_files_linkable() {
  static const bool linkable = access("/proc/self/fd", X_OK) == 0;
  return linkable;
}

// Gives from the name to, unless something is there already (EEXIST then).
bool rename_without_replacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  // Some file systems cannot rename so: a hard link never replaces either.
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
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
  // The new file is private; the entry gets a new file's usual permissions.
  if (fchmod(fd, kNewFileMode & ~process_umask()) != 0) {
    const int error = errno;
    unlink(name.c_str());
    forget_staged(name);
    close(fd);
    errno = error;
    return false;
  }
  folder_fd_ = AT_FDCWD;
  temporary_name_ = name;
  final_name_ = path;
  return hold(fd, std::move(name), path);
}

bool StagedFile::open_at(int folder_fd, const std::string& folder, const std::string& name,
                         mode_t mode) {
  discard();
  std::string temporary;
  const int fd = create_staging_file_at(folder_fd, folder, mode, temporary);
  if (fd < 0) return false;
  folder_fd_ = folder_fd;
  temporary_name_ = temporary.substr(folder.size());
  final_name_ = name;
  return hold(fd, std::move(temporary), folder + name);
}

bool StagedFile::open_unnamed_at(int folder_fd, const std::string& folder, const std::string& name,
                                 mode_t mode) {
  discard();
  if (unnamed_files_linkable()) {
    const int fd = openat(folder_fd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (fd >= 0) {
      fd_ = fd;
      unnamed_ = true;
      folder_fd_ = folder_fd;
      folder_ = folder;
      final_name_ = name;
      path_ = folder + name;
      return true;
    }
    // File systems without unnamed files refuse them so; anything else is a real failure.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
  return open_at(folder_fd, folder, name, mode);
}

bool StagedFile::name_unnamed() {
  std::string temporary;
  const int lock = link_staging_file_at(fd_, folder_fd_, folder_, temporary);
  if (lock < 0) return false;
  unnamed_ = false;
  lock_fd_ = lock;
  temporary_name_ = temporary.substr(folder_.size());
  temporary_ = std::move(temporary);
  return true;
}

bool StagedFile::hold(int fd, std::string temporary, const std::string& path) {
  // The lock lives on the file's open description: a duplicate keeps it while the
  // file itself is closed (and its error seen) before it is renamed.
  const int lock = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (lock < 0) {
    const int error = errno;
    unlinkat(folder_fd_, temporary_name_.c_str(), 0);
    forget_staged(temporary);
    close(fd);
    errno = error;
    return false;
  }
  fd_ = fd;
  lock_fd_ = lock;
  path_ = path;
  temporary_ = std::move(temporary);
  return true;
}

void StagedFile::release() {
  forget_staged(temporary_);
  temporary_.clear();
  close(lock_fd_);
  lock_fd_ = -1;
}

bool StagedFile::place_if_free() {
  if (!unnamed_) {
    errno = EINVAL;
    return false;
  }
  if (!link_unnamed_file(fd_, folder_fd_, final_name_.c_str())) return false;
  // Closed unchecked, as commit closes an unnamed file.
  unnamed_ = false;
  placed_ = true;
  ::close(fd_);
  fd_ = -1;
  return true;
}

void StagedFile::withdraw() {
  if (!placed_) return;
  placed_ = false;
  unlinkat(folder_fd_, final_name_.c_str(), 0);
}

bool StagedFile::commit() {
  if (placed_) {
    placed_ = false;
    return true;
  }
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  if (unnamed_) {
    // File systems that report write errors only when a file is closed (NFS) make no
    // unnamed files, so its close after the link has nothing more to say.
    if (place_if_free()) {
      placed_ = false;
      return true;
    }
    // Something took the name since it was looked at: replaced as a staged file's would be.
    if (errno != EEXIST || !name_unnamed()) {
      const int error = errno;
      discard();
      errno = error;
      return false;
    }
  }
  const int fd = fd_;
  fd_ = -1;
  int error = close(fd) == 0 ? 0 : errno;
  if (error == 0) {
    // rename(2) never replaces a folder with a file: it fails with EISDIR.
    if (renameat(folder_fd_, temporary_name_.c_str(), folder_fd_, final_name_.c_str()) == 0) {
      release();
      return true;
    }
    error = errno;
  }
  unlinkat(folder_fd_, temporary_name_.c_str(), 0);
  release();
  errno = error;
  return false;
}

std::string StagedFile::keep_damaged() {
  if (fd_ < 0) {
    errno = EBADF;
    return "";
  }
  if (unnamed_ && !name_unnamed()) {
    const int error = errno;
    discard();
    errno = error;
    return "";
  }
  const int fd = fd_;
  fd_ = -1;
  std::string name = close(fd) == 0 ? rename_to_damaged_name(temporary_, path_) : "";
  const int error = errno;
  if (name.empty()) unlinkat(folder_fd_, temporary_name_.c_str(), 0);
  release();
  errno = error;
  return name;
}

void StagedFile::discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  unnamed_ = false;
  if (!temporary_.empty()) {
    const int error = errno;
    unlinkat(folder_fd_, temporary_name_.c_str(), 0);
    release();
    errno = error;
  }
}

std::string rename_to_damaged_name(const std::string& from, const std::string& path) {
  for (int number = 1; number <= kDamagedNameAttempts; ++number) {
    std::string name = path + kDamagedSuffix;
    if (number > 1) name += " (" + std::to_string(number) + ")";
    if (rename_without_replacing(from, name)) return name;
    if (errno != EEXIST) return "";
  }
  return "";
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
