// Reading a 7z header's fields from a byte range that may be damaged: every read
// checks what is left, and every count is bounded before anything is sized by it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace un7z {

class HeaderBytes {
 public:
  HeaderBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t remaining() const { return size_ - pos_; }
  const uint8_t* position() const { return data_ + pos_; }
  bool byte(uint8_t& value);
  bool u32(uint32_t& value);
  bool u64(uint64_t& value);
  // 7z's variable-length number: the first byte's leading one bits count the bytes after it.
  bool number(uint64_t& value);
  // A number that is at most limit.
  bool count(uint64_t limit, size_t& value);
  bool skip(uint64_t size);
  // size bits, most significant first in each byte.
  bool bits(size_t size, std::vector<bool>& out);
  // An "all defined" byte, then the bits when it is 0.
  bool defined_bits(size_t size, std::vector<bool>& out);
  // Defined bits, then a CRC-32 for each defined item.
  bool digests(size_t size, std::vector<std::optional<uint32_t>>& out);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace un7z
