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
constexpr uint32_t kPermissionBits = 0777;

bool is_folder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void cannot_create(CallState& call, const std::string& out, int error) {
  call.printer.say(chunk::cannot_create(out, std::strerror(error)));
  call.codes.raise(PK_DISK);
}

// The errors creating out itself would give, found before anything is written: a
// folder is never replaced, and a name the folder cannot hold is refused up front.
int creation_error(const std::string& out) {
  struct stat info;
  if (lstat(out.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return EISDIR;
  const std::size_t slash = out.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : out.substr(0, slash + 1);
  const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
  const std::size_t name_length = slash == std::string::npos ? out.size() : out.size() - slash - 1;
  if (longest > 0 && name_length > static_cast<std::size_t>(longest)) return ENAMETOOLONG;
  return 0;
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

bool open_output(CallState& call, archivekit::StagedFile& file, const std::string& out) {
  const int error = creation_error(out);
  if (error == 0 && file.open(out)) return true;
  cannot_create(call, out, error != 0 ? error : errno);
  return false;
}

void finish_output(int fd, const EntryInfo& entry) {
  const uint32_t stored = entry.external_attributes >> 16;
  if (entry.host_system == kUnixHost && (stored & kPermissionBits) != 0)
    fchmod(fd, archivekit::permitted_mode(stored));
  stamp_file(fd, entry);
}

bool commit_output(CallState& call, archivekit::StagedFile& file) {
  const std::string out = file.path();
  if (file.commit()) return true;
  cannot_create(call, out, errno);
  return false;
}

bool write_symlink(CallState& call, const std::string& out, const std::string& target,
                   const EntryInfo& entry) {
  if (!archivekit::place_symlink(target, out)) {
    cannot_create(call, out, errno);
    return false;
  }
  stamp_link(out, entry);
  return true;
}

}  // namespace unzip
