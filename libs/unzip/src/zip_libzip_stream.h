// An entry's raw bytes as libzip hands them out: compressed, possibly still encrypted.
#pragma once

#include <zip.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "zip_stream.h"

namespace unzip {

// An open archive that several threads read: libzip's archive and the sources below
// it serve one thread at a time, so every call into it holds the lock.
struct SharedZip {
  zip_t* archive = nullptr;
  std::mutex lock;
};

// The stored bytes of the entry, exactly compressed_size of them, encryption
// header and authentication code included.
std::unique_ptr<ByteStream> open_libzip_raw(SharedZip& zip, uint64_t index,
                                            uint64_t compressed_size, ReadStatus& status);

}  // namespace unzip
