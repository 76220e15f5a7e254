// The fixed prefix codes of the RAR 1.5 algorithm. Every code of a family is at
// most 12 bits long and is decided by the next 12 bits of the stream, so each
// family becomes one 4096-entry lookup table.
#pragma once

#include <array>
#include <cstdint>

#include "rar29_bit_input.h"

namespace unrar {

struct Rar15CodeEntry {
  uint16_t value;
  uint8_t bits;
};
using Rar15CodeTable = std::array<Rar15CodeEntry, 4096>;

// Match lengths (L1, L2) and the symbol positions in the adaptive lists
// (HF0 .. HF4, chosen by how often recent symbols came from far down a list).
extern const Rar15CodeTable kRar15LengthCode1;
extern const Rar15CodeTable kRar15LengthCode2;
extern const Rar15CodeTable kRar15PositionCode0;
extern const Rar15CodeTable kRar15PositionCode1;
extern const Rar15CodeTable kRar15PositionCode2;
extern const Rar15CodeTable kRar15PositionCode3;
extern const Rar15CodeTable kRar15PositionCode4;

inline uint32_t read_rar15_code(Rar29BitInput& input, const Rar15CodeTable& table) {
  const Rar15CodeEntry entry = table[input.peek16() >> 4];
  input.skip(entry.bits);
  return entry.value;
}

// The length class of a short match (0..14), looked up by the next 8 bits.
struct Rar15ShortClass {
  uint8_t lengthClass;
  uint8_t bits;
};
using Rar15ShortTable = std::array<Rar15ShortClass, 256>;

// secondSet: the code used once short matches have grown long on average;
// toggled: the state a special long-length code switches, in which one class
// takes 4 bits instead of 3 and leaves room for class 14.
const Rar15ShortTable& rar15_short_table(bool secondSet, bool toggled);

}  // namespace unrar
