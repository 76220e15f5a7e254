#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ace_headers.h"
#include "archivekit/dos_time.h"

namespace unace {
namespace {

constexpr mode_t kDefaultFolderMode = 0777;
constexpr uint32_t kDosReadOnly = 0x01;

bool is_folder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

timespec unix_time(uint32_t dosTime) {
  return {static_cast<time_t>(archivekit::dos_time_to_unix(dosTime)), 0};
}

}  // namespace

int KnownFolders::make(const std::string& path, bool folder) {
  const size_t last = path.rfind('/');
  // Folders are remembered top down, so a known parent means known ancestors.
  if (last != std::string::npos && last > 0 && !folders_.contains(path.substr(0, last))) {
    size_t pos = 0;
    while ((pos = path.find('/', pos + 1)) != std::string::npos) {
      const int error = make_level(path.substr(0, pos));
      if (error != 0) return error;
    }
  }
  if (!folder) return 0;
  const int error = make_level(path);
  if (error != 0) return error;
  return folders_.contains(path) ? 0 : ENOTDIR;
}

// A level that exists as something else is left for the file's creation to fail on,
// as the caller reports that failure.
int KnownFolders::make_level(const std::string& level) {
  if (folders_.contains(level)) return 0;
  if (mkdir(level.c_str(), kDefaultFolderMode) == 0) {
    folders_.insert(level);
    return 0;
  }
  if (errno != EEXIST) return errno;
  if (is_folder(level)) folders_.insert(level);
  return 0;
}

void apply_file_metadata(int fd, uint32_t dosTime, uint32_t attributes) {
  const timespec times[2] = {{0, UTIME_OMIT}, unix_time(dosTime)};
  futimens(fd, times);
  if (attributes & kDosReadOnly) {
    struct stat info {};
    if (fstat(fd, &info) == 0) fchmod(fd, info.st_mode & 07555);
  }
}

void apply_folder_time(const std::string& path, uint32_t dosTime) {
  const timespec times[2] = {{0, UTIME_OMIT}, unix_time(dosTime)};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace unace
