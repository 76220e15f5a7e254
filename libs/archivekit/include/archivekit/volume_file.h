// One volume of an archive, open for reading at any offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace archivekit {

class VolumeFile {
 public:
  // Null when the file cannot be opened or is not a regular file.
  static std::unique_ptr<VolumeFile> open(const std::string& path);
  ~VolumeFile();
  VolumeFile(const VolumeFile&) = delete;
  VolumeFile& operator=(const VolumeFile&) = delete;

  const std::string& path() const { return path_; }
  uint64_t size() const { return size_; }
  // Device and inode: the same file under any name or link.
  std::pair<uint64_t, uint64_t> identity() const { return identity_; }
  // Up to size bytes from offset; fewer only at the end of the file or on an error.
  size_t read_some(uint64_t offset, void* out, size_t size) const;
  // Exactly size bytes from offset, or false.
  bool read_exact(uint64_t offset, void* out, size_t size) const {
    return read_some(offset, out, size) == size;
  }

 private:
  VolumeFile(int fd, std::string path, uint64_t size, std::pair<uint64_t, uint64_t> identity)
      : fd_(fd), path_(std::move(path)), size_(size), identity_(identity) {}

  int fd_;
  std::string path_;
  uint64_t size_;
  std::pair<uint64_t, uint64_t> identity_;
};

}  // namespace archivekit
