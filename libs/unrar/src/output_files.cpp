#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "archivekit/entry_output.h"
#include "archivekit/staged_file.h"

namespace unrar {
namespace {

constexpr uint32_t kDosReadOnly = 0x01;

timespec modification_time(const ArchiveEntry& entry) {
  return {static_cast<time_t>(entry.mtimeSeconds),
          static_cast<long>(entry.mtimeNanoseconds % 1000000000u)};
}

// What the archive says of the permissions, applied to the mode a new file got here.
mode_t recorded_mode(const ArchiveEntry& entry, mode_t current) {
  if (entry.host == HostKind::unix_like) {
    mode_t mode = archivekit::permitted_mode(entry.attributes);
    // A folder stays open to us: extracting the archive again must be able to fill it.
    if (entry.directory) mode |= 0700;
    return mode;
  }
  if ((entry.attributes & kDosReadOnly) && !entry.directory) return current & 0555;
  return current & 0777;
}

}  // namespace

void apply_file_metadata(int fd, const ArchiveEntry& entry) {
  const timespec times[2] = {{0, UTIME_OMIT}, modification_time(entry)};
  futimens(fd, times);
  struct stat info {};
  if (fstat(fd, &info) == 0) fchmod(fd, recorded_mode(entry, info.st_mode));
}

void apply_metadata(const std::string& path, const ArchiveEntry& entry) {
  const timespec times[2] = {{0, UTIME_OMIT}, modification_time(entry)};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  if (entry.link == LinkKind::symlink) return;
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
    chmod(path.c_str(), recorded_mode(entry, info.st_mode));
  }
}

bool copy_extracted_file(const std::string& sourcePath, const ArchiveEntry& entry,
                         const std::string& path) {
  archivekit::StagedFile out;
  if (!out.open(path) || !archivekit::copy_file_into(sourcePath, out.fd())) return false;
  apply_file_metadata(out.fd(), entry);
  return out.commit();
}

}  // namespace unrar
