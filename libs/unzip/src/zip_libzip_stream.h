// An entry's bytes as libzip hands them out: decoded by libzip, or the raw
// (possibly still encrypted) stream.
#pragma once

#include <zip.h>

#include <cstdint>
#include <memory>

#include "zip_stream.h"

namespace unzip {

// Entry data decoded by libzip itself, which compares the CRC after the last byte.
class LibzipDecodedStream : public ByteStream {
 public:
  // After the end: libzip found the CRC wrong (the bytes were all handed out).
  virtual bool crc_mismatch() const = 0;
};

std::unique_ptr<LibzipDecodedStream> open_libzip_decoded(zip_t* archive, uint64_t index,
                                                         ReadStatus& status);

// The stored bytes of the entry, exactly compressed_size of them, encryption
// header and authentication code included.
std::unique_ptr<ByteStream> open_libzip_raw(zip_t* archive, uint64_t index,
                                            uint64_t compressed_size, ReadStatus& status);

}  // namespace unzip
