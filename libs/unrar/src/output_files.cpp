#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "archivekit/entry_output.h"
#include "archivekit/staged_file.h"
#include "safe_path.h"

namespace unrar {
namespace {

constexpr mode_t kDefaultFolderMode = 0777;
constexpr uint32_t kDosReadOnly = 0x01;

const char* root_or_null(const std::string& root) {
  return root.empty() ? nullptr : root.c_str();
}

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

bool make_folders(const std::string& path, bool folder) {
  size_t pos = 0;
  while ((pos = path.find('/', pos + 1)) != std::string::npos) {
    const std::string level = path.substr(0, pos);
    if (mkdir(level.c_str(), kDefaultFolderMode) != 0 && errno != EEXIST) return false;
  }
  if (folder && mkdir(path.c_str(), kDefaultFolderMode) != 0 && errno != EEXIST) return false;
  struct stat info {};
  return !folder || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

LinkResult create_symlink(const std::string& root, const std::string& relative,
                          const std::string& path, const std::string& target) {
  if (target.empty() || target.find('\0') != std::string::npos) return LinkResult::failed;
  switch (safepath_check_link(root_or_null(root), relative.c_str(), target.c_str())) {
    case SAFEPATH_OK:
      break;
    case SAFEPATH_OUTSIDE:
      return LinkResult::outside;
    default:
      return LinkResult::failed;
  }
  return archivekit::place_symlink(target, path) ? LinkResult::made : LinkResult::failed;
}

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

bool copy_extracted_file(const std::string& root, const std::string& sourceName,
                         const ArchiveEntry& entry, const std::string& path) {
  std::string sourcePath;
  std::string sourceRelative;
  if (!archivekit::resolve_output_path(root, sourceName, sourcePath, sourceRelative)) return false;
  const int in = open(sourcePath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return false;
  archivekit::StagedFile out;
  bool ok = out.open(path);
  char buffer[64 * 1024];
  while (ok) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got == 0) break;
    ok = got > 0 && write(out.fd(), buffer, static_cast<size_t>(got)) == got;
  }
  close(in);
  if (ok) apply_file_metadata(out.fd(), entry);
  return ok && out.commit();
}

}  // namespace unrar
