// The archiver's CRC-32: the reflected 0xEDB88320 polynomial, started at
// 0xFFFFFFFF and never inverted at the end. Header checks use its low 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unace {

constexpr uint32_t kAceCrcStart = 0xFFFFFFFFu;

uint32_t ace_crc32(uint32_t crc, const uint8_t* data, size_t size);

inline uint16_t ace_crc16(const uint8_t* data, size_t size) {
  return static_cast<uint16_t>(ace_crc32(kAceCrcStart, data, size) & 0xFFFF);
}

}  // namespace unace
