// Entries that share stored bytes. A well-formed archive stores each entry once: its
// local header and data lie apart from every other entry's. Records pointing into
// each other's bytes let a few kilobytes decode to gigabytes, so such entries are
// refused rather than extracted.
#pragma once

#include <zip.h>

#include <cstdint>
#include <vector>

#include "zip_archive.h"

namespace unzip {

// Where one entry's stored bytes lie: [start, end).
struct StoredExtent {
  uint64_t start = 0;
  uint64_t end = 0;
};

// One flag per extent: true when it shares a byte with any other extent.
std::vector<bool> find_overlaps(const std::vector<StoredExtent>& extents);

// Each entry's local header (its own name and extra field lengths, read from the
// archive's bytes) and its compressed data. A header that cannot be read counts its
// fixed part only.
std::vector<StoredExtent> stored_extents(zip_source_t* archive_bytes,
                                         const std::vector<EntryInfo>& entries);

}  // namespace unzip
