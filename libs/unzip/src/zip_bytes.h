// Little-endian field readers for ZIP headers. Callers check the bounds first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unzip {

inline uint16_t read_le16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t read_le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t read_le64(const unsigned char* p) {
  return static_cast<uint64_t>(read_le32(p)) | (static_cast<uint64_t>(read_le32(p + 4)) << 32);
}

inline bool has_signature(const unsigned char* p, unsigned char third, unsigned char fourth) {
  return p[0] == 'P' && p[1] == 'K' && p[2] == third && p[3] == fourth;
}

}  // namespace unzip
