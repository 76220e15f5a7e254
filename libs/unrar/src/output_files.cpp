#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "safe_path.h"

namespace unrar {
namespace {

constexpr mode_t kDefaultFileMode = 0666;
constexpr mode_t kDefaultFolderMode = 0777;
constexpr uint32_t kDosReadOnly = 0x01;

const char* root_or_null(const std::string& root) {
  return root.empty() ? nullptr : root.c_str();
}

bool remove_non_folder(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) return false;
  return unlink(path.c_str()) == 0;
}

}  // namespace

bool output_path(const std::string& root, const std::string& name, std::string& path,
                 std::string& relative) {
  std::vector<char> cleaned(name.size() + 2);
  if (safepath_resolve(root_or_null(root), name.c_str(), cleaned.data(), cleaned.size(), nullptr) !=
      SAFEPATH_OK) {
    return false;
  }
  relative = cleaned.data();
  if (root.empty()) {
    path = relative;
  } else {
    path = root;
    if (path.back() != '/') path += '/';
    path += relative;
  }
  return true;
}

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

int create_output_file(const std::string& path) {
  if (!remove_non_folder(path)) return -1;
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kDefaultFileMode);
}

bool create_symlink(const std::string& root, const std::string& relative, const std::string& path,
                    const std::string& target) {
  if (target.empty() || target.find('\0') != std::string::npos) return false;
  if (safepath_check_link(root_or_null(root), relative.c_str(), target.c_str()) != SAFEPATH_OK) {
    return false;
  }
  return remove_non_folder(path) && symlink(target.c_str(), path.c_str()) == 0;
}

void apply_metadata(const std::string& path, const ArchiveEntry& entry) {
  const timespec times[2] = {{0, UTIME_OMIT},
                             {static_cast<time_t>(entry.mtimeSeconds),
                              static_cast<long>(entry.mtimeNanoseconds % 1000000000u)}};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  if (entry.link == LinkKind::symlink) return;
  if (entry.host == HostKind::unix_like) {
    mode_t mode = entry.attributes & 07777;
    // A folder stays open to us: extracting the archive again must be able to fill it.
    if (entry.directory) mode |= 0700;
    chmod(path.c_str(), mode);
  } else if ((entry.attributes & kDosReadOnly) && !entry.directory) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) chmod(path.c_str(), info.st_mode & 07555);
  }
}

bool copy_extracted_file(const std::string& root, const std::string& sourceName,
                         const std::string& path) {
  std::string sourcePath;
  std::string sourceRelative;
  if (!output_path(root, sourceName, sourcePath, sourceRelative)) return false;
  const int in = open(sourcePath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return false;
  const int out = create_output_file(path);
  bool ok = out >= 0;
  char buffer[64 * 1024];
  while (ok) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got == 0) break;
    ok = got > 0 && write(out, buffer, static_cast<size_t>(got)) == got;
  }
  close(in);
  if (out >= 0 && close(out) != 0) ok = false;
  return ok;
}

}  // namespace unrar
