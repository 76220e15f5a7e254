// Prefix-code tables of the window decoders: deflate64's Huffman codes and ZIP
// implode's Shannon-Fano codes. One lookup of the next bits (LSB-first) finds most
// symbols; longer codes take a second lookup in a sub-table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archivekit/bit_input.h"

namespace archivekit {

class PrefixTable {
 public:
  static constexpr unsigned kMaxLength = 16;

  enum class Rule {
    // Deflate: over-full sets are refused; an incomplete set only when it has more
    // than one code (a single code, or none, is legal for distances).
    Deflate,
    // Implode: the set must fill the code space exactly; codes are sent inverted.
    ImplodeInverted,
  };

  // lengths[i] is symbol i's code length (0 = unused, at most kMaxLength). False
  // when the lengths make no usable code.
  bool build(const uint8_t* lengths, std::size_t count, unsigned root_bits, Rule rule);

  // The next symbol; -1 when the bits are no code or the input ends first.
  int decode(BitInput& in) const {
    in.fill(max_length_);
    const uint32_t bits = in.peek(max_length_);
    Entry entry = entries_[bits & root_mask_];
    unsigned length = entry.length;
    if (entry.kind == Kind::Link) {
      entry = entries_[entry.value + ((bits >> root_bits_) & ((1u << entry.length) - 1))];
      length = root_bits_ + entry.length;
    }
    if (entry.kind != Kind::Symbol || length > in.available()) return -1;
    in.drop(length);
    return entry.value;
  }

 private:
  enum class Kind : uint8_t { Invalid, Symbol, Link };
  struct Entry {
    uint16_t value = 0;  // the symbol, or a link's first sub-table entry
    uint8_t length = 0;  // code bits (sub-table: bits past the root; link: sub-table bits)
    Kind kind = Kind::Invalid;
  };

  void place(unsigned symbol, uint32_t reversed, unsigned length);

  std::vector<Entry> entries_;
  unsigned root_bits_ = 0;
  uint32_t root_mask_ = 0;
  unsigned max_length_ = 0;
};

}  // namespace archivekit
