#include "rar15_decoder_codes.h"

#include <cstddef>

namespace unrar {
namespace {

// A family: its shortest code length, the left-aligned 16-bit limits at which
// the code grows by one bit, and the first value of each code length.
struct Family {
  uint8_t start;
  std::array<uint16_t, 11> limits;
  std::array<uint8_t, 13> firstValue;
};

constexpr Rar15CodeTable build_code(const Family& family) {
  Rar15CodeTable table{};
  for (uint32_t index = 0; index < table.size(); ++index) {
    const uint32_t bits16 = index << 4;
    size_t step = 0;
    unsigned bits = family.start;
    // Every family ends with the limit 0xFFFF, above any 12-bit prefix.
    while (family.limits[step] <= bits16) {
      ++step;
      ++bits;
    }
    const uint32_t below = step > 0 ? family.limits[step - 1] : 0;
    table[index].value =
        static_cast<uint16_t>(((bits16 - below) >> (16 - bits)) + family.firstValue[bits]);
    table[index].bits = static_cast<uint8_t>(bits);
  }
  return table;
}

constexpr Family kL1{
    2,
    {0x8000, 0xA000, 0xC000, 0xD000, 0xE000, 0xEA00, 0xEE00, 0xF000, 0xF200, 0xF200, 0xFFFF},
    {0, 0, 0, 2, 3, 5, 7, 11, 16, 20, 24, 32, 32}};
constexpr Family kL2{
    3,
    {0xA000, 0xC000, 0xD000, 0xE000, 0xEA00, 0xEE00, 0xF000, 0xF200, 0xF240, 0xFFFF, 0xFFFF},
    {0, 0, 0, 0, 5, 7, 9, 13, 18, 22, 26, 34, 36}};
constexpr Family kHf0{
    4,
    {0x8000, 0xC000, 0xE000, 0xF200, 0xF200, 0xF200, 0xF200, 0xF200, 0xFFFF, 0xFFFF, 0xFFFF},
    {0, 0, 0, 0, 0, 8, 16, 24, 33, 33, 33, 33, 33}};
constexpr Family kHf1{
    5,
    {0x2000, 0xC000, 0xE000, 0xF000, 0xF200, 0xF200, 0xF7E0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
    {0, 0, 0, 0, 0, 0, 4, 44, 60, 76, 80, 80, 127}};
constexpr Family kHf2{
    5,
    {0x1000, 0x2400, 0x8000, 0xC000, 0xFA00, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
    {0, 0, 0, 0, 0, 0, 2, 7, 53, 117, 233, 0, 0}};
constexpr Family kHf3{
    6,
    {0x0800, 0x2400, 0xEE00, 0xFE80, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
    {0, 0, 0, 0, 0, 0, 0, 2, 16, 218, 251, 0, 0}};
constexpr Family kHf4{
    8,
    {0xFF00, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0}};

// Short-match classes: a class matches when the first bits (its length) of the
// 8-bit look-ahead equal those of its pattern. Length 0 in the class sets'
// toggled slot is filled in when the table is built.
struct ShortSet {
  std::array<uint8_t, 15> lengths;
  std::array<uint8_t, 15> patterns;
  size_t toggledClass;
};
constexpr ShortSet kShortSet1{
    {1, 0, 4, 4, 5, 6, 7, 8, 8, 4, 4, 5, 6, 6, 4},
    {0x00, 0xA0, 0xD0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF, 0xC0, 0x80, 0x90, 0x98, 0x9C, 0xB0},
    1};
constexpr ShortSet kShortSet2{
    {2, 3, 3, 0, 4, 4, 5, 6, 6, 4, 4, 5, 6, 6, 4},
    {0x00, 0x40, 0x60, 0xA0, 0xD0, 0xE0, 0xF0, 0xF8, 0xFC, 0xC0, 0x80, 0x90, 0x98, 0x9C, 0xB0},
    3};

constexpr Rar15ShortTable build_short(const ShortSet& set, bool toggled) {
  std::array<uint8_t, 15> lengths = set.lengths;
  lengths[set.toggledClass] = toggled ? 4 : 3;
  Rar15ShortTable table{};
  for (uint32_t look = 0; look < table.size(); ++look) {
    // Both sets are complete codes, so some class always matches.
    uint8_t found = 0;
    while (((look ^ set.patterns[found]) & ~(0xFFu >> lengths[found]) & 0xFFu) != 0) ++found;
    table[look] = {found, lengths[found]};
  }
  return table;
}

constexpr Rar15ShortTable kShort1 = build_short(kShortSet1, false);
constexpr Rar15ShortTable kShort1Toggled = build_short(kShortSet1, true);
constexpr Rar15ShortTable kShort2 = build_short(kShortSet2, false);
constexpr Rar15ShortTable kShort2Toggled = build_short(kShortSet2, true);

}  // namespace

constexpr Rar15CodeTable kRar15LengthCode1 = build_code(kL1);
constexpr Rar15CodeTable kRar15LengthCode2 = build_code(kL2);
constexpr Rar15CodeTable kRar15PositionCode0 = build_code(kHf0);
constexpr Rar15CodeTable kRar15PositionCode1 = build_code(kHf1);
constexpr Rar15CodeTable kRar15PositionCode2 = build_code(kHf2);
constexpr Rar15CodeTable kRar15PositionCode3 = build_code(kHf3);
constexpr Rar15CodeTable kRar15PositionCode4 = build_code(kHf4);

const Rar15ShortTable& rar15_short_table(bool secondSet, bool toggled) {
  if (secondSet) return toggled ? kShort2Toggled : kShort2;
  return toggled ? kShort1Toggled : kShort1;
}

}  // namespace unrar
