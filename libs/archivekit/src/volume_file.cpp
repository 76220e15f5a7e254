#include "archivekit/volume_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace archivekit {

std::unique_ptr<VolumeFile> VolumeFile::open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<VolumeFile>(
      new VolumeFile(fd, path, static_cast<uint64_t>(info.st_size),
                     {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)}));
}

VolumeFile::~VolumeFile() {
  close(fd_);
}

size_t VolumeFile::read_some(uint64_t offset, void* out, size_t size) const {
  auto* buffer = static_cast<uint8_t*>(out);
  size_t total = 0;
  while (total < size && offset + total < size_) {
    const ssize_t got =
        pread(fd_, buffer + total, size - total, static_cast<off_t>(offset + total));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += static_cast<size_t>(got);
  }
  return total;
}

}  // namespace archivekit
