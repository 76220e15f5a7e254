#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "ace_headers.h"
#include "safe_path.h"

namespace unace {
namespace {

constexpr mode_t kDefaultFileMode = 0666;
constexpr mode_t kDefaultFolderMode = 0777;
constexpr uint32_t kDosReadOnly = 0x01;

bool remove_non_folder(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return unlink(path.c_str()) == 0;
}

}  // namespace

bool output_path(const std::string& root, const std::string& name, std::string& path) {
  std::vector<char> cleaned(name.size() + 2);
  if (safepath_resolve(root.empty() ? nullptr : root.c_str(), name.c_str(), cleaned.data(),
                       cleaned.size(), nullptr) != SAFEPATH_OK) {
    return false;
  }
  if (root.empty()) {
    path = cleaned.data();
  } else {
    path = root;
    if (path.back() != '/') path += '/';
    path += cleaned.data();
  }
  return true;
}

int make_folders(const std::string& path, bool folder) {
  size_t pos = 0;
  while ((pos = path.find('/', pos + 1)) != std::string::npos) {
    const std::string level = path.substr(0, pos);
    if (mkdir(level.c_str(), kDefaultFolderMode) != 0 && errno != EEXIST) return errno;
  }
  if (!folder) return 0;
  if (mkdir(path.c_str(), kDefaultFolderMode) != 0 && errno != EEXIST) return errno;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return errno;
  return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

int create_output_file(const std::string& path) {
  if (!remove_non_folder(path)) return -1;
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kDefaultFileMode);
}

void apply_metadata(const std::string& path, uint32_t dosTime, uint32_t attributes, bool folder) {
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(dos_time_to_unix(dosTime)), 0}};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  // A folder stays writable: extracting the archive again must be able to fill it.
  if ((attributes & kDosReadOnly) && !folder) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) chmod(path.c_str(), info.st_mode & 07555);
  }
}

}  // namespace unace
