// The EntryReader handed to the call flow: checks the decoded bytes' count and
// CRC-32 and, for AES entries, the authentication code.
#pragma once

#include <functional>
#include <memory>

#include "zip_archive.h"
#include "zip_stream.h"

namespace unzip {

// authentic: tells whether the entry's authentication code matches, reading what
// is left of the entry first; empty when the entry carries none.
std::unique_ptr<EntryReader> make_checked_reader(std::unique_ptr<ByteStream> decoded,
                                                 const EntryInfo& entry,
                                                 std::function<bool()> authentic);

}  // namespace unzip
