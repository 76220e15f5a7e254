// The archive as one byte range: a single file, or the volumes of a split set
// (name.7z.001, .002 ...) joined in order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archivekit/byte_stream.h"
#include "archivekit/volume_file.h"

namespace un7z {

using archivekit::ByteStream;

class ArchiveFile {
 public:
  // 0, or UN7Z_EOPEN with errno set.
  int open(const std::string& path);
  const std::string& path() const { return path_; }
  uint64_t size() const { return size_; }
  // Exactly size bytes at offset, or false.
  bool read_exact(uint64_t offset, void* out, size_t size) const;
  // The code for data the archive promises beyond its end: a missing volume of a split
  // set, or a cut-off archive.
  int truncation_code() const;

 private:
  struct Part {
    std::unique_ptr<archivekit::VolumeFile> file;
    uint64_t start = 0;
  };
  std::string path_;
  std::vector<Part> parts_;
  uint64_t size_ = 0;
  bool split_ = false;
};

// One packed stream of a folder.
class PackedStream final : public ByteStream {
 public:
  PackedStream(const ArchiveFile& archive, uint64_t offset, uint64_t size)
      : archive_(archive), offset_(offset), remaining_(size) {}
  size_t read(uint8_t* out, size_t size) override;

 private:
  const ArchiveFile& archive_;
  uint64_t offset_;
  uint64_t remaining_;
};

}  // namespace un7z
