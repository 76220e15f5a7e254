// What libzip sees as the archive. Usually the part of a file from the end of the
// prefix to the end of the archive comment, with the end record patched where
// writers got it wrong and libzip would refuse an otherwise intact archive: the
// comment length becomes what the file really holds, and a wrong directory size
// the real one. A split set is served the same way from bytes of its own.
#pragma once

#include <zip.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace unzip {

// Bytes addressed from 0 to size(), read on demand.
class ArchiveBytes {
 public:
  virtual ~ArchiveBytes() = default;
  virtual uint64_t size() const = 0;
  // Fills buffer completely; false with error set when that is not possible.
  virtual bool read(uint64_t offset, unsigned char* buffer, uint64_t length,
                    zip_error_t* error) = 0;
};

// A read-only, seekable libzip source over bytes; nullptr with error set on failure.
zip_source_t* create_bytes_source(std::unique_ptr<ArchiveBytes> bytes, zip_error_t* error);

struct ArchiveWindow {
  uint64_t start = 0;                    // first byte of the archive in the file
  uint64_t end = 0;                      // one past its last byte
  uint64_t end_record = 0;               // file offset of the end-of-central-directory record
  std::optional<uint32_t> central_size;  // replaces the recorded directory size
  // From here to end the bytes are read once and served from memory: libzip reads
  // the central directory one record at a time, two small reads per entry.
  std::optional<uint64_t> cached_from;
};

// nullptr with error set when the file cannot be opened.
zip_source_t* create_window_source(const std::string& path, const ArchiveWindow& window,
                                   zip_error_t* error);
// The same over bytes other than a file's, such as the pieces of a cut archive.
zip_source_t* create_window_source(std::unique_ptr<ArchiveBytes> file, const ArchiveWindow& window,
                                   zip_error_t* error);

}  // namespace unzip
