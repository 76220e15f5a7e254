#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <mutex>
#include <optional>

#include "platform/file_descriptor.h"

namespace tessaly {
namespace {

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

// The file's whole text from fd; nullopt when it cannot be read.
std::optional<std::string> ReadAll(int fd, off_t size) {
  // Read straight into place: a large file is not copied over and over as it grows.
  std::string text(static_cast<size_t>(size) + 1, '\0');
  size_t filled = 0;
  for (;;) {
    if (filled == text.size()) text.resize(text.size() * 2);
    const ssize_t n = read(fd, text.data() + filled, text.size() - filled);
    if (n == 0) {
      text.resize(filled);
      return text;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    filled += static_cast<size_t>(n);
  }
}

// True when the file from fd's offset on holds exactly expected.
bool HoldsText(int fd, const std::string& expected) {
  char buffer[65536];
  size_t compared = 0;
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0 && compared == expected.size();
    const size_t got = static_cast<size_t>(n);
    if (got > expected.size() - compared || expected.compare(compared, got, buffer, got) != 0) {
      return false;
    }
    compared += got;
  }
}

// What a read of the settings file found.
struct OpenedFile {
  FileDescriptor fd;
  bool missing = false;
  struct stat info = {};
};

// The file opened for reading; nothing when it exists but cannot be read.
std::optional<OpenedFile> OpenRegular(const std::string& path) {
  std::optional<OpenedFile> file(
      OpenedFile{FileDescriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC))});
  if (!file->fd.valid()) {
    if (errno != ENOENT) return std::nullopt;
    file->missing = true;
    return file;
  }
  if (fstat(file->fd.get(), &file->info) != 0 || !S_ISREG(file->info.st_mode)) return std::nullopt;
  return file;
}

// "" when the file is missing, nullopt when it exists but cannot be read.
std::optional<std::string> ReadWhole(const std::string& path) {
  const std::optional<OpenedFile> file = OpenRegular(path);
  if (!file) return std::nullopt;
  if (file->missing) return std::string();
  return ReadAll(file->fd.get(), file->info.st_size);
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
  const bool written = WriteAll(fd.get(), text) && fsync(fd.get()) == 0 && fd.Close() == 0;
  if (!written || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return SyncFolder(FolderOf(path));
}

// Which file, and which version of it, a read saw. Our own writes always make a new
// file (rename), so the inode alone tells them apart; an edit in place changes the
// size or the change time.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec changed = {};

  explicit FileStamp(const struct stat& info)
      : device(info.st_dev), inode(info.st_ino), size(info.st_size), changed(info.st_ctim) {}
  FileStamp() = default;
  bool operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
  }
};

// The kernel stamps change times from a coarse clock: a second edit within the same
// tick keeps the time. A file changed in the last seconds is compared by its text.
bool ChangedJustNow(const FileStamp& stamp) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec - stamp.changed.tv_sec < 2;
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

std::shared_ptr<const SettingsDocument> ReadSettingsFile(const std::string& path) {
  struct LastRead {
    std::mutex mutex;
    std::string path;
    FileStamp stamp;
    std::string text;
    std::shared_ptr<const SettingsDocument> document;
  };
  static LastRead last;
  const std::lock_guard<std::mutex> hold(last.mutex);
  const std::optional<OpenedFile> file = OpenRegular(path);
  std::optional<std::string> text;
  FileStamp stamp;
  if (file && !file->missing) {
    stamp = FileStamp(file->info);
    if (last.document && last.path == path && last.stamp == stamp && !ChangedJustNow(stamp)) {
      return last.document;
    }
    if (last.document && static_cast<size_t>(file->info.st_size) == last.text.size() &&
        HoldsText(file->fd.get(), last.text)) {
      last.path = path;
      last.stamp = stamp;
      return last.document;
    }
    if (lseek(file->fd.get(), 0, SEEK_SET) == 0) text = ReadAll(file->fd.get(), file->info.st_size);
  }
  if (!text) text.emplace();
  if (!last.document || *text != last.text) {
    last.document = std::make_shared<const SettingsDocument>(ParseSettingsText(*text));
    last.text = std::move(*text);
  }
  last.path = path;
  last.stamp = stamp;
  return last.document;
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
