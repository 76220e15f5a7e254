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

}  // namespace unzip
