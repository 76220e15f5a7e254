#include "zip_crc32.h"

#include <isa-l/crc.h>

#include <array>

namespace unzip {
namespace {

constexpr std::array<uint32_t, 256> make_table() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = make_table();

}  // namespace

uint32_t crc32_step(uint32_t crc, unsigned char byte) {
  return kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// ISA-L's CRC-32 (the reflected one gzip and ZIP use) folds with carry-less
// multiplication, many times faster than the table walk.
uint32_t crc32_update(uint32_t crc, const unsigned char* data, std::size_t size) {
  return crc32_gzip_refl(crc, data, size);
}

}  // namespace unzip
