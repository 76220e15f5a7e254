// Finds the ZIP inside a file: the end records, the central directory and the
// number of bytes in front of the archive that its offsets do not account for.
#pragma once

#include <cstdint>
#include <cstdio>

#include "zip_archive.h"

namespace unzip {

struct ArchiveLocation {
  OpenStatus status = OpenStatus::Ok;
  uint64_t prefix_bytes = 0;
  bool zip64_end_moved = false;
  bool empty = false;
  uint64_t central_start = 0;  // file offset of the central directory, prefix included
  uint64_t central_size = 0;
  bool central_size_corrected = false;  // the end record's size field is wrong
  uint64_t entry_count = 0;
  uint64_t end_record = 0;   // file offset of the end-of-central-directory record
  uint64_t archive_end = 0;  // file offset just past the end record and its comment
  // Where the directory of a split set lies (status MultiDisk): this file is the
  // last of disk_count parts, and central_offset counts from the start of the part
  // numbered central_disk. central_size and entry_count are filled in as well.
  uint64_t disk_count = 1;
  uint32_t central_disk = 0;
  uint64_t central_offset = 0;
};

// How far from the end of the file the end record is searched for.
inline constexpr uint64_t kEndRecordSearchSpan = 66000;

// Reads only the tail and the few records the end record points at.
ArchiveLocation locate_archive(std::FILE* file, uint64_t file_size);

}  // namespace unzip
