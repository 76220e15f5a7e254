// The Huffman codes of ACE streams: a table is sent as one width per symbol
// (themselves coded with a small width alphabet), and codes are handed out in the
// order of the archiver's own quicksort, so equal widths keep its exact order.
// Decoding looks the next maxWidth bits up in one array.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ace_bit_reader.h"

namespace unace {

// Sorts keys[left..right] in descending order, moving symbols along, exactly as
// the archiver does (not stable; the order among equal keys matters).
void sort_widths_descending(uint8_t* keys, uint16_t* symbols, int left, int right);

class AceHuffman {
 public:
  static constexpr unsigned kMaxWidth = 11;
  static constexpr size_t kMaxSymbols = 290;

  // Assigns codes to count symbols of the given widths (maxWidth at most 11).
  // False when a width exceeds maxWidth or the code is over-full. A table with
  // fewer than two used symbols gives its first symbol a 1-bit code, as the
  // archiver does.
  bool build(const uint8_t* widths, size_t count, unsigned maxWidth);

  // Reads a transmitted table of symbols 0..largestSymbol; false when it is damaged.
  bool read(AceBitReader& reader, unsigned maxWidth, unsigned largestSymbol);

  // The next symbol, or -1 where the code has none (damaged data).
  int decode(AceBitReader& reader) const {
    const uint16_t entry = table_[reader.peek(maxWidth_)];
    const unsigned width = entry & 15;
    if (width == 0) return -1;
    reader.skip(width);
    return entry >> 4;
  }

 private:
  // Each slot: symbol << 4 | width consumed; 0 for a slot no code reaches.
  std::array<uint16_t, size_t{1} << kMaxWidth> table_{};
  unsigned maxWidth_ = 1;
};

}  // namespace unace
