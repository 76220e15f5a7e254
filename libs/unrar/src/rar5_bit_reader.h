// Most-significant-bit-first reader over one compressed block held in memory.
// Past the end of the buffer it yields zero bits instead of reading out of
// bounds; the decoder compares position() with the block's end to spot that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace unrar {

class Rar5BitReader {
 public:
  void reset(const uint8_t* data, size_t size) {
    data_ = data;
    size_ = size;
    bitPosition_ = 0;
  }

  // The next 16 bits, the first stream bit in bit 15.
  uint32_t peek16() const {
    const size_t byte = bitPosition_ >> 3;
    if (byte + 4 <= size_) {
      uint32_t word;
      std::memcpy(&word, data_ + byte, 4);
      return (__builtin_bswap32(word) >> (16 - (bitPosition_ & 7))) & 0xFFFF;
    }
    uint32_t window = 0;
    for (size_t i = 0; i < 3; ++i)
      window = (window << 8) | (byte + i < size_ ? data_[byte + i] : 0u);
    return (window >> (8 - (bitPosition_ & 7))) & 0xFFFF;
  }

  void skip(unsigned count) { bitPosition_ += count; }

  // count <= 16.
  uint32_t get(unsigned count) {
    if (count == 0) return 0;
    const uint32_t value = peek16() >> (16 - count);
    bitPosition_ += count;
    return value;
  }

  // Any count up to 64, read in 16-bit pieces.
  uint64_t get_long(unsigned count) {
    uint64_t value = 0;
    while (count > 0) {
      const unsigned piece = count < 16 ? count : 16;
      value = (value << piece) | get(piece);
      count -= piece;
    }
    return value;
  }

  uint64_t position() const { return bitPosition_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  uint64_t bitPosition_ = 0;
};

}  // namespace unrar
