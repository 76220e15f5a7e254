// Deflate64: a hand-built stream for length symbol 285 and distance codes 30/31 at
// their limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kDeflate64 = 9;

unsigned distance_base(unsigned code) {
  return code < 4 ? code + 1 : ((2u | (code & 1)) << (code / 2 - 1)) + 1;
}

// A deflate64 stream built field by field with the fixed codes. Every match uses
// length symbol 285, whose 16 extra bits give any length from 3 to 65538.
class FixedBlockWriter : public BitWriter {
 public:
  void header(bool last, unsigned type) { bits((last ? 1 : 0) | type << 1, 3); }
  void stored_block(const std::vector<unsigned char>& data) {
    header(false, 0);
    align();
    bits(static_cast<uint32_t>(data.size()), 16);
    bits(static_cast<uint32_t>(~data.size()) & 0xFFFF, 16);
    for (unsigned char value : data) byte(value);
  }
  void symbol(unsigned value) {
    if (value < 144) {
      code(0x30 + value, 8);
    } else if (value < 256) {
      code(0x190 + value - 144, 9);
    } else if (value < 280) {
      code(value - 256, 7);
    } else {
      code(0xC0 + value - 280, 8);
    }
  }
  void match(unsigned length, unsigned distance) {
    symbol(285);
    bits(length - 3, 16);
    unsigned slot = 0;
    while (slot < 31 && distance_base(slot + 1) <= distance) ++slot;
    code(slot, 5);
    bits(distance - distance_base(slot), slot < 4 ? 0 : slot / 2 - 1);
  }
};

TEST(Deflate64Decoder, LongestLengthsAndFarthestDistances) {
  std::vector<unsigned char> expected = sample_bytes(65536, 9);
  FixedBlockWriter stream;
  // A stored block holds at most 65535 bytes.
  stream.stored_block(cut(expected, 40000));
  stream.stored_block(std::vector<unsigned char>(expected.begin() + 40000, expected.end()));
  stream.header(true, 1);
  // The shortest and longest lengths, then distance codes 30 and 31 with all and
  // none of their extra bits set.
  const std::pair<unsigned, unsigned> matches[] = {{3, 2},       {65538, 5},   {300, 40000},
                                                   {258, 50000}, {100, 65536}, {20, 32769}};
  for (const auto& [length, distance] : matches) {
    stream.match(length, distance);
    for (unsigned i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
  }
  stream.symbol(256);
  const DecodeOutcome outcome = run_decoder(kDeflate64, 0, expected.size(), stream.finish());
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_TRUE(outcome.data == expected);
}

}  // namespace
}  // namespace unzip::test
