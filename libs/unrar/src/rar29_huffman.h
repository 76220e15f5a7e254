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

  // The next symbol when its code is a short one whose bits the reservoir holds;
  // -1 otherwise, leaving it to decode().
  int decode_quick(Rar29BitInput::Reservoir& reservoir) const {
    const QuickEntry entry = quick_[reservoir.bits >> (64 - kQuickBits)];
    if (entry.length == 0 || entry.length > reservoir.count) return -1;
    reservoir.bits <<= entry.length;
    reservoir.count -= entry.length;
    return entry.symbol;
  }

 private:
  static constexpr unsigned kQuickBits = 10;
  static constexpr unsigned kMaxLength = 15;
  struct QuickEntry {
    uint8_t length = 0;
    int16_t symbol = -1;
  };

  // Codes longer than the quick table's, and bits that start no code.
  int decode_long(Rar29BitInput& input, uint32_t bits) const;

  std::array<uint32_t, kMaxLength + 1> limit_{};
  std::array<uint32_t, kMaxLength + 1> first_{};
  std::vector<uint16_t> sorted_;
  std::array<QuickEntry, 1u << kQuickBits> quick_{};
};

}  // namespace unrar
