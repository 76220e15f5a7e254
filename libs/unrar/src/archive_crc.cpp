#include "archive_crc.h"

#include <zlib.h>

namespace unrar {

// zlib's CRC-32 is the same function, and much faster than a byte-wise table.
uint32_t crc32_continue(uint32_t crc, const uint8_t* data, size_t size) {
  return static_cast<uint32_t>(crc32_z(crc, data, size));
}

}  // namespace unrar
