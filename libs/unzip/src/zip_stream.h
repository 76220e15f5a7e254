// The pull stream every stage of entry decoding is built from: raw bytes from
// libzip, decryption, decompression. Each stage owns the stage it reads from.
#pragma once

#include <cstddef>
#include <memory>

#include "zip_archive.h"

namespace unzip {

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Returns the count read (0 only at the end) or -1, after which status() says why.
  virtual long long read(unsigned char* buffer, std::size_t size) = 0;
  virtual ReadStatus status() const = 0;
};

// Fills buffer completely unless the stream ends or fails first; returns the
// count, or -1 on failure.
long long read_fully(ByteStream& stream, unsigned char* buffer, std::size_t size);

}  // namespace unzip
