// Turns the central directory of a split set into that of one archive made of the
// parts laid end to end: offsets that counted from the start of their own disk
// count from the start of the first, every disk number becomes 0, and fresh end
// records follow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace unzip {

// count central records from directory; disk_starts[d] is where disk d begins in
// the concatenation. False when a record does not fit, names a disk beyond the
// set, lacks a zip64 value its header calls for, or would outgrow its fields.
bool rewrite_split_directory(const unsigned char* directory, std::size_t size, uint64_t count,
                             const std::vector<uint64_t>& disk_starts,
                             std::vector<unsigned char>& records);

// The rewritten directory placed at directory_offset, then the end record with
// the archive comment (preceded by the zip64 end record and locator when the
// count, size or offset needs them).
std::vector<unsigned char> single_disk_tail(std::vector<unsigned char> records,
                                            const std::string& comment, uint64_t count,
                                            uint64_t directory_offset);

}  // namespace unzip
