// An entry's raw bytes as libzip hands them out: compressed, possibly still encrypted.
#pragma once

#include <zip.h>

#include <cstdint>
#include <memory>

#include "zip_stream.h"

namespace unzip {

// The stored bytes of the entry, exactly compressed_size of them, encryption
// header and authentication code included.
std::unique_ptr<ByteStream> open_libzip_raw(zip_t* archive, uint64_t index,
                                            uint64_t compressed_size, ReadStatus& status);

}  // namespace unzip
