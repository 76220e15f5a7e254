#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace tessaly {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now so that a failing close can be seen.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool MakeFolders(const std::string& folder) {
  struct stat info;
  if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::string parent = FolderOf(folder);
  if (parent != folder && !MakeFolders(parent)) return false;
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// "" when the file is missing, nullopt when it exists but cannot be read.
std::optional<std::string> ReadWhole(const std::string& path) {
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    if (errno == ENOENT) return std::string();
    return std::nullopt;
  }
  struct stat info;
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  std::string text;
  char buffer[16384];
  for (;;) {
    const ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n == 0) return text;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    text.append(buffer, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool SyncFolder(const std::string& folder) {
  FileDescriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.valid() && fsync(fd.get()) == 0;
}

// Readers see either the old file or the complete new one, never a partial write.
bool ReplaceFile(const std::string& path, const std::string& text) {
  std::string temp = path + ".XXXXXX";
  FileDescriptor fd(mkostemp(temp.data(), O_CLOEXEC));
  if (!fd.valid()) return false;
  const bool written = WriteAll(fd.get(), text) && fsync(fd.get()) == 0 && fd.Close();
  if (!written || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return SyncFolder(FolderOf(path));
}

class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::string& lockPath)
      : fd_(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (!fd_.valid()) return;
    int result;
    do {
      result = flock(fd_.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    held_ = result == 0;
  }
  bool held() const { return held_; }

 private:
  FileDescriptor fd_;  // closing it releases the lock
  bool held_ = false;
};

}  // namespace

SettingsDocument ReadSettingsFile(const std::string& path) {
  const std::optional<std::string> text = ReadWhole(path);
  return text ? ParseSettingsText(*text) : SettingsDocument();
}

bool UpdateSettingsFile(const std::string& path,
                        const std::function<bool(SettingsDocument&)>& change) {
  if (!MakeFolders(FolderOf(path))) return false;
  const ExclusiveLock lock(path + ".lock");
  if (!lock.held()) return false;

  const std::optional<std::string> text = ReadWhole(path);
  if (!text) return false;
  SettingsDocument document = ParseSettingsText(*text);
  if (!change(document)) return false;
  return ReplaceFile(path, SettingsText(document));
}

}  // namespace tessaly
