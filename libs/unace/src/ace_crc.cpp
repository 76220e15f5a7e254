#include "ace_crc.h"

#include <zlib.h>

namespace unace {

// zlib's CRC-32 inverts the register before and after; the archiver's does not.
uint32_t ace_crc32(uint32_t crc, const uint8_t* data, size_t size) {
  return ~static_cast<uint32_t>(crc32_z(~crc, data, size));
}

}  // namespace unace
