// CRC-32 (reflected, polynomial 0xEDB88320) as RAR uses it for data and headers;
// RAR 1.5-4 header checks take its low 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unrar {

// Continues crc (0 to start) over size more bytes.
uint32_t crc32_continue(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace unrar
