#include "archivekit/held_destination.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace archivekit {

EntryFolder::~EntryFolder() {
  if (owned_ && fd_ >= 0) close(fd_);
}

HeldDestination::HeldDestination(const std::string& root)
    : fd_(open(root.empty() ? "." : root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}

HeldDestination::~HeldDestination() {
  if (fd_ >= 0) close(fd_);
}

EntryFolder HeldDestination::open_folder_of(const std::string& relative) const {
  if (fd_ < 0) {
    errno = EBADF;
    return {};
  }
  const size_t slash = relative.rfind('/');
  if (slash == std::string::npos) return {fd_, false};
  open_how how{};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  const std::string folder = relative.substr(0, slash);
  const long fd = syscall(SYS_openat2, fd_, folder.c_str(), &how, sizeof how);
  return {fd < 0 ? -1 : static_cast<int>(fd), true};
}

}  // namespace archivekit
