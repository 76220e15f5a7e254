#include "archivekit/entry_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "archivekit/staged_file.h"
#include "safe_path.h"

namespace archivekit {

namespace {

constexpr mode_t kDefaultFolderMode = 0777;

const char* root_or_null(const std::string& root) {
  return root.empty() ? nullptr : root.c_str();
}

}  // namespace

bool PacedOutput::write(const uint8_t* data, size_t size) {
  while (size > 0) {
    const size_t piece = std::min(size, kPieceSize);
    if (!write_piece(data, piece)) return false;
    data += piece;
    size -= piece;
  }
  return true;
}

int write_fully(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t put = ::write(fd, data + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return ENOSPC;
    done += static_cast<size_t>(put);
  }
  return 0;
}

bool resolve_output_path(const std::string& root, const std::string& name, std::string& path,
                         std::string& relative) {
  std::vector<char> cleaned(name.size() + 2);
  if (safepath_resolve(root.empty() ? nullptr : root.c_str(), name.c_str(), cleaned.data(),
                       cleaned.size(), nullptr) != SAFEPATH_OK) {
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
  // Deepest level first: most entries land in a folder that is already there, and a
  // path too long fails at once instead of after every level above it.
  std::vector<size_t> missing;  // ends of the levels to make, deepest first
  size_t end = folder ? path.size() : path.rfind('/');
  while (end != std::string::npos && end > 0) {
    const std::string level = path.substr(0, end);
    if (mkdir(level.c_str(), kDefaultFolderMode) == 0) break;
    if (errno == EEXIST) {
      struct stat info {};
      if (stat(level.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) break;
      errno = ENOTDIR;  // a file stands where the folder goes
      return false;
    }
    if (errno != ENOENT) return false;
    missing.push_back(end);
    end = path.rfind('/', end - 1);
  }
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    if (mkdir(path.substr(0, *level).c_str(), kDefaultFolderMode) != 0 && errno != EEXIST) {
      return false;
    }
  }
  return true;
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

bool copy_file_into(const std::string& sourcePath, int fd) {
  const int in = open(sourcePath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return false;
  struct stat info {};
  bool ok = fstat(in, &info) == 0 && S_ISREG(info.st_mode);
  uint8_t buffer[64 * 1024];
  while (ok) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got == 0) break;
    ok = got > 0 && write_fully(fd, buffer, static_cast<size_t>(got)) == 0;
  }
  close(in);
  return ok;
}

}  // namespace archivekit
