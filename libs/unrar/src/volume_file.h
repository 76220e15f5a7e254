// One volume of an archive opened for reading at any offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

namespace unrar {

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
  // Exactly size bytes from offset; false when they are not all there.
  bool read_at(uint64_t offset, void* out, size_t size);
  // Up to size bytes from offset; the count read (0 at the end or on an error).
  size_t read_some(uint64_t offset, void* out, size_t size);

 private:
  VolumeFile(std::string path, FILE* file, uint64_t size, std::pair<uint64_t, uint64_t> identity);
  std::string path_;
  FILE* file_;
  uint64_t size_;
  std::pair<uint64_t, uint64_t> identity_;
};

}  // namespace unrar
