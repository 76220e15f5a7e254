// The part of a file that libzip sees as the archive: from the end of the prefix
// to the end of the archive comment, with the comment length patched to what the
// file really holds (some writers record a longer comment than they wrote, which
// libzip would refuse although the archive itself is intact).
#pragma once

#include <zip.h>

#include <cstdint>
#include <string>

namespace unzip {

struct ArchiveWindow {
  uint64_t start = 0;       // first byte of the archive in the file
  uint64_t end = 0;         // one past its last byte
  uint64_t end_record = 0;  // file offset of the end-of-central-directory record
};

// nullptr with error set when the file cannot be opened.
zip_source_t* create_window_source(const std::string& path, const ArchiveWindow& window,
                                   zip_error_t* error);

}  // namespace unzip
