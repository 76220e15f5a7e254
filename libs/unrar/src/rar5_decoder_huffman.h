// Canonical Huffman code given as one bit length per symbol, decoded through a
// lookup table for short codes and the per-length limits for longer ones.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "rar5_bit_reader.h"

namespace unrar {

class Rar5HuffmanTable {
 public:
  static constexpr unsigned kMaxLength = 15;

  // False when the lengths over-subscribe the code space (a damaged table).
  bool build(const uint8_t* lengths, size_t symbolCount);

  // The next symbol, or -1 for a code no symbol has (an incomplete table).
  int decode(Rar5BitReader& bits) const {
    const uint32_t peeked = bits.peek16();
    if (peeked < limit_[kQuickBits]) {
      const QuickEntry entry = quick_[peeked >> (16 - kQuickBits)];
      bits.skip(entry.length);
      return entry.symbol;
    }
    unsigned length = kQuickBits + 1;
    while (length < kMaxLength && peeked >= limit_[length]) ++length;
    bits.skip(length);
    return symbol_at(peeked, length);
  }

 private:
  static constexpr unsigned kQuickBits = 10;
  struct QuickEntry {
    int16_t symbol;
    uint8_t length;
  };

  int symbol_at(uint32_t peeked, unsigned length) const {
    if (peeked >= limit_[length]) return -1;
    const size_t index = firstIndex_[length] + ((peeked - limit_[length - 1]) >> (16 - length));
    return index < sorted_.size() ? sorted_[index] : -1;
  }

  // limit_[l]: the codes of length <= l, left-aligned to 16 bits.
  std::array<uint32_t, kMaxLength + 1> limit_{};
  std::array<uint32_t, kMaxLength + 1> firstIndex_{};
  std::vector<uint16_t> sorted_;
  std::array<QuickEntry, 1u << kQuickBits> quick_{};
};

}  // namespace unrar
