// The pieces every archive writer of the tests needs: little-endian fields, the
// CRC-32 register, and writing the finished bytes to a file. No test framework, so
// that the benchmark's input maker can use the packers too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::testing {

void PutLe16(std::string& out, uint32_t value);
void PutLe32(std::string& out, uint32_t value);

// The CRC-32 register (polynomial 0xEDB88320) after bytes, started at all ones and
// not inverted at the end; the usual CRC-32 is its complement.
uint32_t Crc32Register(std::string_view bytes);

// Writes bytes to path, replacing what was there; false when that fails.
bool WriteBinaryFile(const std::string& path, std::string_view bytes);

}  // namespace tessaly::testing
