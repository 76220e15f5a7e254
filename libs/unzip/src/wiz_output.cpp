#include "wiz_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "unzip.h"
#include "wiz_messages.h"
#include "wiz_time.h"

namespace unzip {

namespace {

constexpr uint8_t kUnixHost = 3;
constexpr mode_t kPermissionBits = 0777;

bool is_folder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Removes an old file so the new one never reuses its inode or follows its link.
bool remove_old(CallState& call, const std::string& out) {
  struct stat info;
  if (lstat(out.c_str(), &info) != 0) return true;
  if (unlink(out.c_str()) == 0) return true;
  call.printer.say(chunk::cannot_delete_old(out, std::strerror(errno)));
  call.codes.raise(PK_DISK);
  return false;
}

void stamp_file(int fd, const EntryInfo& entry) {
  const std::time_t when = entry_time(entry);
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  futimens(fd, times);
}

void stamp_link(const std::string& path, const EntryInfo& entry) {
  const std::time_t when = entry_time(entry);
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace

FolderResult make_folders(CallState& call, std::string_view relative, std::string_view entry_name) {
  FolderResult result = FolderResult::Existed;
  std::string path = call.root;
  // Most entries land in a folder that is already there: one look settles it
  // instead of a failing mkdir and a stat for every level.
  std::string whole = path;
  if (!whole.empty() && whole.back() != '/' && !relative.empty()) whole += '/';
  whole += relative;
  if (is_folder(whole)) return result;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t end = relative.find('/', start);
    if (end == std::string_view::npos) end = relative.size();
    if (!path.empty() && path.back() != '/') path += '/';
    path += relative.substr(start, end - start);
    start = end + 1;
    if (mkdir(path.c_str(), 0777) == 0) {
      result = FolderResult::Created;
      continue;
    }
    const int error = errno;
    if (error == EEXIST && is_folder(path)) continue;
    call.printer.say(
        chunk::checkdir_failed(path, std::strerror(error == EEXIST ? ENOTDIR : error), entry_name));
    call.codes.raise(PK_ERR);
    return FolderResult::Failed;
  }
  return result;
}

bool make_root(const std::string& root) {
  return mkdir(root.c_str(), 0777) == 0 || (errno == EEXIST && is_folder(root));
}

int open_output(CallState& call, const std::string& out) {
  if (!remove_old(call, out)) return -1;
  const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    call.printer.say(chunk::cannot_create(out, std::strerror(errno)));
    call.codes.raise(PK_DISK);
  }
  return fd;
}

void finish_output(int fd, const EntryInfo& entry) {
  const mode_t stored = static_cast<mode_t>(entry.external_attributes >> 16);
  if (entry.host_system == kUnixHost && (stored & kPermissionBits) != 0)
    fchmod(fd, stored & kPermissionBits);
  stamp_file(fd, entry);
}

bool write_symlink(CallState& call, const std::string& out, const std::string& target,
                   const EntryInfo& entry) {
  if (!remove_old(call, out)) return false;
  if (symlink(target.c_str(), out.c_str()) != 0) {
    call.printer.say(chunk::cannot_create(out, std::strerror(errno)));
    call.codes.raise(PK_DISK);
    return false;
  }
  stamp_link(out, entry);
  return true;
}

}  // namespace unzip
