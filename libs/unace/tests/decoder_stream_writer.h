// Builds ACE packed streams bit by bit for the decoder tests: Huffman tables sent
// the way the archiver sends them, LZ77 symbols (literals, matches, mode changes)
// and the raw fields of the SOUND and PIC modes. Codes are handed out in the
// archiver's quicksort order, whose own vector is checked separately.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ace_huffman.h"

namespace decoder_test {

class BitWriter {
 public:
  // value's low `bits` bits, highest first.
  void put(uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      word_ = word_ << 1 | ((value >> i) & 1);
      if (++count_ == 32) flush_word();
    }
  }

  // The stream in whole 32-bit little-endian words, plus one zero word as the
  // archiver pads.
  std::vector<uint8_t> finish() {
    if (count_ != 0) put(0, 32 - count_);
    std::vector<uint8_t> out = bytes_;
    out.insert(out.end(), 4, 0);
    return out;
  }

 private:
  void flush_word() {
    for (unsigned i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(word_ >> (8 * i)));
    word_ = 0;
    count_ = 0;
  }
  std::vector<uint8_t> bytes_;
  uint32_t word_ = 0;
  unsigned count_ = 0;
};

struct Code {
  uint32_t bits = 0;
  unsigned width = 0;
};

// The codes a decoder assigns to these widths (at least two non-zero).
inline std::vector<Code> assign_codes(const std::vector<uint8_t>& widths, unsigned maxWidth) {
  std::vector<uint8_t> keys = widths;
  std::vector<uint16_t> symbols(widths.size());
  for (size_t i = 0; i < symbols.size(); ++i) symbols[i] = static_cast<uint16_t>(i);
  unace::sort_widths_descending(keys.data(), symbols.data(), 0, static_cast<int>(keys.size()) - 1);
  size_t used = 0;
  while (used < keys.size() && keys[used] != 0) ++used;
  std::vector<Code> codes(widths.size());
  uint32_t position = 0;
  for (size_t i = used; i-- > 0;) {
    codes[symbols[i]] = {position >> (maxWidth - keys[i]), keys[i]};
    position += 1u << (maxWidth - keys[i]);
  }
  return codes;
}

// Sends a table as the archiver does and returns the codes of its symbols. Every
// width-alphabet symbol gets 4 bits; no zero runs are used.
inline std::vector<Code> put_table(BitWriter& out, const std::vector<uint8_t>& widths,
                                   unsigned maxWidth) {
  size_t last = 0;
  unsigned smallest = 99, largest = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (widths[i] == 0) continue;
    last = i;
    smallest = std::min<unsigned>(smallest, widths[i]);
    largest = std::max<unsigned>(largest, widths[i]);
  }
  if (largest == 0) throw std::logic_error("a table needs used symbols");
  const unsigned lower = smallest - 1;
  const unsigned upper = largest - lower + 1;
  out.put(static_cast<uint32_t>(last), 9);
  out.put(lower, 4);
  out.put(upper, 4);
  const std::vector<uint8_t> alphabetWidths(upper + 1, 4);
  for (unsigned i = 0; i <= upper; ++i) out.put(4, 3);
  const std::vector<Code> alphabet = assign_codes(alphabetWidths, 7);
  unsigned previous = 0;
  for (size_t i = 0; i <= last; ++i) {
    const unsigned value = widths[i] == 0 ? 0 : widths[i] - lower;
    const unsigned delta = i == 0 ? value : (value + upper - previous) % upper;
    out.put(alphabet[delta].bits, alphabet[delta].width);
    previous = value;
  }
  std::vector<uint8_t> used(widths.begin(), widths.begin() + static_cast<ptrdiff_t>(last) + 1);
  return assign_codes(used, maxWidth);
}

// An unused table (one symbol of width 0), as the archiver sends the length table
// of a literal-only block.
inline void put_empty_table(BitWriter& out) {
  out.put(0, 9);
  out.put(0, 4);
  out.put(0, 4);
  out.put(0, 3);
  out.put(0, 1);
  out.put(0, 4);
}

// LZ77 symbols with tables where every main symbol has 9 bits and every length
// symbol 8, so any symbol can be written.
class Lz77Writer {
 public:
  BitWriter bits;

  void block(uint32_t symbols) {
    main_ = put_table(bits, std::vector<uint8_t>(284, 9), 11);
    lengths_ = put_table(bits, std::vector<uint8_t>(256, 8), 11);
    bits.put(symbols, 15);
  }
  void symbol(unsigned s) { bits.put(main_.at(s).bits, main_.at(s).width); }
  void literals(const std::string& text) {
    for (unsigned char c : text) symbol(c);
  }
  // A match with a distance sent in full (distance = bytes back - 1).
  void match(uint32_t distance, unsigned length) {
    unsigned width = 0;
    while (width < 32 && (distance >> width) != 0) ++width;
    symbol(260 + width);
    if (width >= 2) bits.put(distance - (1u << (width - 1)), width - 1);
    const unsigned base = distance <= 255 ? 2 : distance <= 8191 ? 3 : 4;
    length_symbol(length - base);
  }
  // A match with the recent-th latest distance (0..3).
  void recent_match(unsigned recent, unsigned length) {
    symbol(256 + recent);
    length_symbol(length - (recent < 2 ? 2 : 3));
  }
  void mode_change(unsigned mode) {
    symbol(283);
    bits.put(mode, 8);
  }
  void length_symbol(unsigned l) { bits.put(lengths_.at(l).bits, lengths_.at(l).width); }

 private:
  std::vector<Code> main_;
  std::vector<Code> lengths_;
};

}  // namespace decoder_test
