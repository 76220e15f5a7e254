// The EntryReader handed to the call flow: checks the decoded bytes' count and
// CRC-32 and, for AES entries, the authentication code.
#pragma once

#include <functional>
#include <memory>

#include "zip_archive.h"
#include "zip_libzip_stream.h"
#include "zip_stream.h"

namespace unzip {

// authentic: tells whether the entry's authentication code matches, reading what
// is left of the entry first; empty when the entry carries none.
std::unique_ptr<EntryReader> make_checked_reader(std::unique_ptr<ByteStream> decoded,
                                                 const EntryInfo& entry,
                                                 std::function<bool()> authentic);

// For data libzip decoded and CRC-checked itself: the reader takes libzip's verdict
// instead of computing the CRC a second time. recompute gives the value the bad-CRC
// message shows, reading the entry again; it runs only when the CRC is wrong.
std::unique_ptr<EntryReader> make_libzip_checked_reader(
    std::unique_ptr<LibzipDecodedStream> decoded, const EntryInfo& entry,
    std::function<uint32_t()> recompute);

}  // namespace unzip
