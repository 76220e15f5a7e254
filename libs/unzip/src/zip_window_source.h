// The part of a file that libzip sees as the archive: from the end of the prefix
// to the end of the archive comment. The end record is patched where writers got
// it wrong and libzip would refuse an otherwise intact archive: the comment length
// becomes what the file really holds, and a wrong directory size the real one.
#pragma once

#include <zip.h>

#include <cstdint>
#include <optional>
#include <string>

namespace unzip {

struct ArchiveWindow {
  uint64_t start = 0;                    // first byte of the archive in the file
  uint64_t end = 0;                      // one past its last byte
  uint64_t end_record = 0;               // file offset of the end-of-central-directory record
  std::optional<uint32_t> central_size;  // replaces the recorded directory size
};

// nullptr with error set when the file cannot be opened.
zip_source_t* create_window_source(const std::string& path, const ArchiveWindow& window,
                                   zip_error_t* error);

}  // namespace unzip
