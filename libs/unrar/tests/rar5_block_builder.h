// Builders of RAR5 header bytes for tests: vints, little-endian fields, extra
// records, and the CRC32 and HEAD_SIZE in front of a header body.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive_crc.h"

namespace unrar::rar5_test_blocks {

using Bytes = std::vector<uint8_t>;

inline Bytes vint(uint64_t value) {
  Bytes out;
  do {
    out.push_back(uint8_t((value & 0x7F) | (value > 0x7F ? 0x80 : 0)));
    value >>= 7;
  } while (value);
  return out;
}

inline Bytes operator+(Bytes left, const Bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

inline Bytes text_bytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes u32_bytes(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

// CRC32 and HEAD_SIZE in front of a header body (HEAD_TYPE to the end).
inline Bytes with_crc(const Bytes& body) {
  const Bytes sized = vint(body.size()) + body;
  return u32_bytes(crc32_continue(0, sized.data(), sized.size())) + sized;
}

inline Bytes extra_record(uint64_t type, const Bytes& payload) {
  const Bytes typed = vint(type) + payload;
  return vint(typed.size()) + typed;
}

}  // namespace unrar::rar5_test_blocks
