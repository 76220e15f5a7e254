#include "volume_file.h"

#include <sys/stat.h>

namespace unrar {

std::unique_ptr<VolumeFile> VolumeFile::open(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return std::unique_ptr<VolumeFile>(
      new VolumeFile(path, file, static_cast<uint64_t>(info.st_size),
                     {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)}));
}

VolumeFile::VolumeFile(std::string path, FILE* file, uint64_t size,
                       std::pair<uint64_t, uint64_t> identity)
    : path_(std::move(path)), file_(file), size_(size), identity_(identity) {}

VolumeFile::~VolumeFile() {
  std::fclose(file_);
}

bool VolumeFile::read_at(uint64_t offset, void* out, size_t size) {
  return read_some(offset, out, size) == size;
}

size_t VolumeFile::read_some(uint64_t offset, void* out, size_t size) {
  if (offset >= size_ || size == 0) return 0;
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
  return std::fread(out, 1, size, file_);
}

}  // namespace unrar
