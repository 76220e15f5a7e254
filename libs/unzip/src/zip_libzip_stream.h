// An entry's bytes as libzip hands them out: decoded by libzip, or the raw
// (possibly still encrypted) stream.
#pragma once

#include <zip.h>

#include <cstdint>
#include <memory>

#include "zip_stream.h"

namespace unzip {

// Entry data decoded by libzip itself (store, deflate, bzip2 without encryption).
// libzip's own CRC verdict is left to the caller, which checks the CRC itself.
std::unique_ptr<ByteStream> open_libzip_decoded(zip_t* archive, uint64_t index, ReadStatus& status);

// The stored bytes of the entry, exactly compressed_size of them, encryption
// header and authentication code included.
std::unique_ptr<ByteStream> open_libzip_raw(zip_t* archive, uint64_t index,
                                            uint64_t compressed_size, ReadStatus& status);

}  // namespace unzip
