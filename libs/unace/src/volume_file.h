// One volume of an archive, open for reading at any offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace unace {

class VolumeFile {
 public:
  // Null when the file cannot be opened (or is not a regular file).
  static std::unique_ptr<VolumeFile> open(const std::string& path);
  ~VolumeFile();
  VolumeFile(const VolumeFile&) = delete;
  VolumeFile& operator=(const VolumeFile&) = delete;

  // Up to size bytes from offset; fewer only at the end of the file or on an error.
  size_t read_some(uint64_t offset, uint8_t* buffer, size_t size);
  // Exactly size bytes from offset, or false.
  bool read_exact(uint64_t offset, uint8_t* buffer, size_t size) {
    return read_some(offset, buffer, size) == size;
  }
  uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }

 private:
  VolumeFile(int fd, uint64_t size, std::string path)
      : fd_(fd), size_(size), path_(std::move(path)) {}

  int fd_;
  uint64_t size_;
  std::string path_;
};

}  // namespace unace
