// RAR5 compression version 1: the same algorithm with 80 distance slots, so its
// tables hold 16 more lengths and its distances can pass 4 GiB. No archive of
// this version is at hand; the streams are written here.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "rar5_stream_writer.h"

namespace unrar {
namespace {

using namespace test;

Decoded decode(const Bytes& packed, uint64_t size, uint64_t dictionary, int version) {
  auto decoder = make_rar5_decoder(dictionary, version);
  EXPECT_TRUE(decoder);
  if (!decoder) return {DecodeResult::out_of_memory, {}};
  return test::decode(*decoder, packed, size);
}

// Text and matches over many distance slots, near and far, with lengths that
// take extra bits.
Rar5StreamWriter varied_matches(int tableVersion) {
  Rar5StreamWriter w(tableVersion);
  w.tables();
  w.literals("version one of the larger table");
  w.match(4, 4);
  w.match(3, 17);
  w.literals("!");
  w.match(9, 12, 1);
  for (uint64_t distance = 1; distance < 900000; distance = distance * 3 + 1) {
    w.literals("<" + std::to_string(distance) + ">");
    w.match(distance % 20, distance, distance % 2);
  }
  return w;
}

TEST(Rar5Version1, TheLargerTableDecodesOnlyAsVersion1) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    Rar5StreamWriter w = varied_matches(version);
    const Decoded out = decode(w.block(), w.expected.size(), 1 << 20, version);
    EXPECT_EQ(out.result, DecodeResult::ok);
    EXPECT_EQ(out.text(), w.expected);

    // Read with the other version's layout, lengths land in the wrong tables.
    const Decoded crossed = decode(w.block(), w.expected.size(), 1 << 20, 1 - version);
    EXPECT_FALSE(crossed.result == DecodeResult::ok && crossed.text() == w.expected);
  }
}

// 16 MiB of output and then a match back to the first bytes: distance slot 48,
// the first with a 7-bit code in the version 1 table.
TEST(Rar5Version1, SlowAFarMatchThroughALongSlotCodeCopiesTheRightBytes) {
  constexpr uint64_t kFar = (uint64_t{16} << 20) + 5;
  Rar5StreamWriter w(1);
  w.tables();
  w.literals("marker:");
  uint64_t position = 7;
  w.literals("-");
  ++position;
  // Length slot 43 with all extra bits: 4097 bytes a time, +0 bonus at distance 1.
  while (position + 4097 <= kFar) {
    w.match(43, 1, 511);
    position += 4097;
  }
  w.literals(std::string(kFar - position, '-'));
  position = kFar;
  w.match(5, kFar);  // length 7, plus 3 for the distance
  const Decoded out = decode(w.block(), kFar + 10, 32 << 20, 1);
  ASSERT_EQ(out.result, DecodeResult::ok);
  const std::string text = out.text();
  ASSERT_EQ(text.size(), kFar + 10);
  EXPECT_EQ(text.substr(kFar), "marker:---");
  EXPECT_TRUE(text == w.expected);
}

// Slots 64-79 stand for distances above 4 GiB, beyond any dictionary this decoder
// opens: the match fails instead of wrapping to a near distance (the first and
// last slot, each at both ends).
TEST(Rar5Version1, DistancesAbove4GiBAreBadData) {
  auto decoder = make_rar5_decoder(uint64_t{4} << 20, 1);
  ASSERT_TRUE(decoder);
  for (unsigned slot : {64u, 79u}) {
    const unsigned b = slot / 2 - 1;
    const uint64_t lowest = 1 + (uint64_t{2u | (slot & 1)} << b);
    const uint64_t highest = lowest + ((uint64_t{1} << b) - 1);
    for (uint64_t distance : {lowest, highest}) {
      SCOPED_TRACE(testing::Message() << "slot " << slot << " distance " << distance);
      Rar5StreamWriter w(1);
      w.tables();
      w.literals("abcd");
      w.match(0, distance);
      w.literals("ef");
      EXPECT_EQ(test::decode(*decoder, w.block(), 4 + 2 + 2).result, DecodeResult::bad_data);
    }
  }
}

// Version 1 dictionaries need not be powers of two (1 MiB and 8/32 of it here):
// the limit on distances is the dictionary, not the window rounded up from it.
TEST(Rar5Version1, AFractionalDictionaryBoundsDistancesExactly) {
  constexpr uint64_t kDictionary = (1 << 20) + (1 << 20) / 32 * 8;
  auto decoder = make_rar5_decoder(kDictionary, 1);
  ASSERT_TRUE(decoder);
  for (const auto& [distance, expected] : {std::pair{kDictionary, DecodeResult::ok},
                                           std::pair{kDictionary + 1, DecodeResult::bad_data}}) {
    SCOPED_TRACE(distance);
    Rar5StreamWriter w(1);
    w.tables();
    w.literals("ab");
    w.match(0, distance);
    EXPECT_EQ(test::decode(*decoder, w.block(), 2 + 2 + 3).result, expected);
  }
}

}  // namespace
}  // namespace unrar
