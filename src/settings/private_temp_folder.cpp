#include "settings/private_temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace tessaly {
namespace {

std::string TempRoot() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string root = (tmpdir && tmpdir[0] == '/') ? tmpdir : "/tmp";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root == "/" ? "" : root;
}

// A real folder (not a link to one) of ours that nobody else can list, enter or write.
bool IsPrivateFolder(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
            (info.st_mode & 077) == 0;
  // A restrictive umask may have left us without our own rights.
  if (ok && (info.st_mode & 0700) != 0700) ok = fchmod(fd, 0700) == 0;
  close(fd);
  return ok;
}

}  // namespace

std::string PrivateTempFolder(const std::string& previous) {
  const std::string root = TempRoot();
  const std::string ownName = root + "/tessaly-" + std::to_string(geteuid());
  mkdir(ownName.c_str(), 0700);
  if (IsPrivateFolder(ownName)) return ownName + "/";

  const std::string fallbackPrefix = ownName + "-";
  if (previous.size() > fallbackPrefix.size() + 1 &&
      previous.compare(0, fallbackPrefix.size(), fallbackPrefix) == 0 && previous.back() == '/' &&
      IsPrivateFolder(previous.substr(0, previous.size() - 1))) {
    return previous;
  }
  std::string fresh = fallbackPrefix + "XXXXXX";
  if (!mkdtemp(fresh.data())) return "";
  return fresh + "/";
}

}  // namespace tessaly
