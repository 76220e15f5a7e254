// Reads the central directory records themselves: libzip does not expose the
// general-purpose flags, the version fields, the raw DOS time or the raw name bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zip_archive.h"

namespace unzip {

// Parses count consecutive central records; false when they do not fit or a
// signature is missing. Sizes are the 32-bit fields: the archive fills in
// libzip's values, zip64 ones included. Names not in Unicode are read in name_encoding,
// or ("") in the one judged from them all; encoding_used tells which ("" when none is).
bool parse_central_directory(const unsigned char* data, std::size_t size, uint64_t count,
                             std::vector<EntryInfo>& entries, const std::string& name_encoding,
                             std::string& encoding_used);

// The fixed part of a local header.
inline constexpr std::size_t kLocalHeaderSize = 30;

// Describes the entry of the local header at data (its signature already checked),
// which size bytes hold with its name and extra field; returns the header's whole
// length, or 0 when they do not fit. Sizes are the zip64 ones where the header
// saturated its fields; an entry with a data descriptor may carry none.
std::size_t parse_local_header(const unsigned char* data, std::size_t size, EntryInfo& entry);

}  // namespace unzip
