// Canonical Huffman code given by one bit length (0-15) per symbol, decoded with
// a 10-bit lookup table and a limit search for the longer codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "rar29_bit_input.h"

namespace unrar {

class Rar29Huffman {
 public:
  // False when the lengths describe an over-subscribed code.
  bool build(const uint8_t* lengths, size_t count);

  // The next symbol, or -1 where the code has no symbol (an incomplete code).
  int decode(Rar29BitInput& input) const {
    const uint32_t bits = input.peek16();
    const QuickEntry entry = quick_[bits >> (16 - kQuickBits)];
    if (entry.length != 0) {
      input.skip(entry.length);
      return entry.symbol;
    }
    return decode_long(input, bits);
  }

 private:
  static constexpr unsigned kQuickBits = 10;
  static constexpr unsigned kMaxLength = 15;
  struct QuickEntry {
    int16_t symbol = -1;
    uint8_t length = 0;
  };

  int decode_long(Rar29BitInput& input, uint32_t bits) const;
  // The code length of the left-aligned 16-bit value and its symbol (-1 if none).
  int symbol_at(uint32_t bits, unsigned& length) const;

  std::array<uint32_t, kMaxLength + 1> limit_{};
  std::array<uint32_t, kMaxLength + 1> first_{};
  std::vector<uint16_t> sorted_;
  std::array<QuickEntry, 1u << kQuickBits> quick_{};
};

}  // namespace unrar
