// Opens a split set (name.z01, name.z02, ..., name.zip) as one archive. libzip and
// our raw readers see a single virtual file: the parts read on demand one after the
// other up to the central directory, then that directory rewritten into single-disk
// form and fresh end records, both kept in memory. Nothing is copied to disk.
#pragma once

#include <zip.h>

#include <string>
#include <vector>

#include "zip_archive.h"
#include "zip_locate.h"

namespace unzip {

struct SplitSet {
  zip_source_t* source = nullptr;              // the virtual archive; the caller owns it
  std::vector<unsigned char> central_records;  // its central directory
};

// location is what locate_archive found in the last part. Ok with set filled in;
// MultiDisk when a part is missing or unreadable; Damaged when the parts are all
// there but the directory they hold is unusable. error is set where a libzip
// source could not be made (Damaged then).
OpenStatus open_split_set(const std::string& last_part, const ArchiveLocation& location,
                          SplitSet& set, zip_error_t* error);

}  // namespace unzip
