// The ZIP CRC-32 (reflected polynomial 0xEDB88320), also the byte step that the
// traditional PKWARE cipher builds its keys with.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unzip {

// One table step without the initial and final complement.
uint32_t crc32_step(uint32_t crc, unsigned char byte);

// Continues a CRC-32; start with 0.
uint32_t crc32_update(uint32_t crc, const unsigned char* data, std::size_t size);

}  // namespace unzip
