// The RAR5 decoder on streams written here: output pieces, stops and failed reads,
// sizes, and the paths the corpus's archives lack (those are checked through the
// API in api_corpus_test.cpp).
#include <gtest/gtest.h>

#include <functional>

#include "decoder_test_support.h"
#include "rar5_filters.h"
#include "rar5_stream_writer.h"

namespace unrar {
namespace {

using namespace test;

Bytes one_block(const std::function<void(Rar5StreamWriter&)>& symbols) {
  Rar5StreamWriter writer;
  writer.tables();
  symbols(writer);
  return writer.block();
}

// Over 400 KB from a few literals and long matches.
Rar5StreamWriter long_stream() {
  Rar5StreamWriter writer;
  writer.tables();
  writer.literals("a long stream, ");
  for (int i = 0; i < 100; ++i) writer.match(43, 15 + i % 7, 511);
  return writer;
}

// Output comes in pieces so that the progress callback runs; a refused write
// stops the entry and fails the solid entry after it, and a fresh start recovers.
TEST(Rar5DecoderTest, OutputPiecesAndARefusedWrite) {
  const Rar5StreamWriter writer = long_stream();
  const Bytes first = writer.block();
  auto decoder = make_rar5_decoder(128 << 10, 0);
  BytesInput input(first, 777);
  CollectingOutput output;
  ASSERT_EQ(decoder->decode_entry(input, output, writer.expected.size(), false), DecodeResult::ok);
  EXPECT_TRUE(std::string(output.bytes.begin(), output.bytes.end()) == writer.expected);
  EXPECT_LE(output.largestPiece, size_t{256} << 10);
  EXPECT_GE(output.pieces, 2u);

  const Bytes second = one_block([](Rar5StreamWriter& w) { w.literals("next"); });
  BytesInput again(first);
  CollectingOutput refusing;
  refusing.stopAfter = 1;
  EXPECT_EQ(decoder->decode_entry(again, refusing, writer.expected.size(), false),
            DecodeResult::stopped);
  EXPECT_EQ(decode(*decoder, second, 4, true).result, DecodeResult::bad_data);
  const Decoded fresh = decode(*decoder, first, writer.expected.size());
  EXPECT_EQ(fresh.result, DecodeResult::ok);
  EXPECT_TRUE(fresh.text() == writer.expected);
}

// A volume that cannot be read ends the entry as stopped, not as damaged data.
TEST(Rar5DecoderTest, FailedInputStopsTheEntry) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const Bytes nothing;
  BytesInput input(nothing, 1, true);
  CollectingOutput output;
  EXPECT_EQ(decoder->decode_entry(input, output, 10, false), DecodeResult::stopped);
}

TEST(Rar5DecoderTest, WrongDeclaredSizeIsBadData) {
  const Rar5StreamWriter writer = long_stream();
  const Bytes packed = writer.block();
  for (uint64_t size : {writer.expected.size() - 1, writer.expected.size() + 1}) {
    auto decoder = make_rar5_decoder(128 << 10, 0);
    const Decoded got = decode(*decoder, packed, size);
    EXPECT_EQ(got.result, DecodeResult::bad_data) << size;
    EXPECT_LE(got.bytes.size(), size);
  }
}

TEST(Rar5DecoderTest, AbsurdDictionariesAndUnknownVersionsAreRefused) {
  EXPECT_EQ(make_rar5_decoder(0, 0), nullptr);
  EXPECT_EQ(make_rar5_decoder((uint64_t{4} << 30) + 1, 1), nullptr);
  EXPECT_EQ(make_rar5_decoder(uint64_t{1} << 40, 1), nullptr);

  auto unknownVersion = make_rar5_decoder(128 << 10, 2);
  const Bytes packed = one_block([](Rar5StreamWriter& w) { w.literals("abc"); });
  EXPECT_EQ(decode(*unknownVersion, packed, 3).result, DecodeResult::unsupported);
}

TEST(Rar5HandMadeStreamTest, MatchesRepeatsAndOldDistances) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const Bytes packed = one_block([](Rar5StreamWriter& w) {
    w.literals("abc");
    w.match(4, 3);  // abcabc
    w.put(257, 9);  // the same again
    w.literals("XY");
    w.match(0, 5);  // "ab": a new distance, 3 moves back
    w.put(259, 9);  // old distance 3 (second) again, length slot 1 = 3
    w.put(1, 6);
  });
  const Decoded out = decode(*decoder, packed, 22);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text(), "abcabcabcabcabcXYabYab");
}

TEST(Rar5HandMadeStreamTest, DistancesBeforeTheDataGiveZerosBeyondTheDictionaryFail) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const Bytes beforeTheStart = one_block([](Rar5StreamWriter& w) {
    w.literals("ab");
    w.match(2, 1000);  // one longer for being far
  });
  Decoded out = decode(*decoder, beforeTheStart, 7);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text(), std::string("ab\0\0\0\0\0", 7));

  const Bytes beyondTheDictionary = one_block([](Rar5StreamWriter& w) {
    w.literals("ab");
    w.match(2, (128 << 10) + 1);
  });
  out = decode(*decoder, beyondTheDictionary, 9);
  EXPECT_EQ(out.result, DecodeResult::bad_data);
}

TEST(Rar5HandMadeStreamTest, FilterRangeIsFilteredOnlyWhenWhole) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const std::string code("\xE8\x10\0\0\0\0\0\0", 8);
  const Bytes whole = one_block([&](Rar5StreamWriter& w) {
    w.literals("z");
    w.filter(0, 8, 1);
    w.literals(code);
  });
  Decoded out = decode(*decoder, whole, 9);
  EXPECT_EQ(out.result, DecodeResult::ok);
  // The call sits at file offset 2: its absolute target 0x10 becomes relative.
  EXPECT_EQ(out.text(), std::string("z\xE8\x0E\0\0\0\0\0\0", 9));

  const Bytes cutShort = one_block([&](Rar5StreamWriter& w) {
    w.filter(0, 20, 1);
    w.literals(code);
  });
  out = decode(*decoder, cutShort, 8);
  EXPECT_EQ(out.result, DecodeResult::bad_data);

  out = decode(*decoder, one_block([&](Rar5StreamWriter& w) { w.filter(0, 8, 5); }), 0);
  EXPECT_EQ(out.result, DecodeResult::bad_data);
}

TEST(Rar5HandMadeStreamTest, SolidEntryKeepsTablesAndWindowFreshEntryNeedsTables) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const Bytes first = one_block([](Rar5StreamWriter& w) { w.literals("hello"); });
  ASSERT_EQ(decode(*decoder, first, 5).result, DecodeResult::ok);
  Rar5StreamWriter writer;
  writer.match(3, 5);
  const Bytes withoutTables = writer.block(true, false);
  Decoded out = decode(*decoder, withoutTables, 5, true);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text(), "hello");

  EXPECT_EQ(decode(*decoder, withoutTables, 5, false).result, DecodeResult::bad_data);
}

TEST(Rar5HandMadeStreamTest, DamagedBlockHeadersAndTablesAreBadData) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  Bytes packed = one_block([](Rar5StreamWriter& w) { w.literals("abc"); });
  packed[1] ^= 1;  // check byte
  EXPECT_EQ(decode(*decoder, packed, 3).result, DecodeResult::bad_data);

  Rar5StreamWriter oversubscribed;
  oversubscribed.tables(1);  // twenty codes of one bit
  packed = oversubscribed.block();
  EXPECT_EQ(decode(*decoder, packed, 0).result, DecodeResult::bad_data);

  // A block whose last symbol needs bits past the block's end.
  packed = one_block([](Rar5StreamWriter& w) { w.literals("abc"); });
  packed[0] = static_cast<uint8_t>((packed[0] & ~7) | ((packed[0] - 1) & 7));
  packed[1] = static_cast<uint8_t>(0x5A ^ packed[0] ^ packed[2] ^ packed[3] ^ packed[4]);
  EXPECT_EQ(decode(*decoder, packed, 3).result, DecodeResult::bad_data);
}

TEST(Rar5FilterTest, TransformsUndoWhatTheCompressorDid) {
  Bytes scratch;
  Bytes data = {1, 2, 3, 4};
  const uint8_t* out =
      apply_rar5_filter({0, 4, Rar5FilterType::delta, 2}, data.data(), 4, 0, scratch);
  EXPECT_EQ(Bytes(out, out + 4), (Bytes{0xFF, 0xFD, 0xFD, 0xF9}));

  // Positions wrap at 16 MiB: at file offset 0xFFFFFF the call's position is 0.
  data = {0xE9, 0x10, 0, 0, 0, 0};
  out = apply_rar5_filter({0, 6, Rar5FilterType::e8e9, 0}, data.data(), 6, 0xFFFFFF, scratch);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{0xE9, 0x10, 0, 0, 0, 0}));
  data = {0xE9, 0x10, 0, 0, 0, 0};
  out = apply_rar5_filter({0, 6, Rar5FilterType::e8, 0}, data.data(), 6, 0, scratch);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{0xE9, 0x10, 0, 0, 0, 0}));
  // A negative target that stays negative becomes positive by 16 MiB.
  data = {0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  out = apply_rar5_filter({0, 6, Rar5FilterType::e8, 0}, data.data(), 6, 0, scratch);
  EXPECT_EQ(Bytes(out, out + 6), (Bytes{0xE8, 0xFF, 0xFF, 0xFF, 0, 0}));

  data = {0x10, 0, 0, 0xEB, 0x10, 0, 0, 0xEA};
  out = apply_rar5_filter({0, 8, Rar5FilterType::arm, 0}, data.data(), 8, 8, scratch);
  EXPECT_EQ(Bytes(out, out + 8), (Bytes{0x0E, 0, 0, 0xEB, 0x10, 0, 0, 0xEA}));
}

// --- Compression version 1 ---------------------------------------------------------
// The same algorithm with 80 distance slots, so its tables hold 16 more lengths and
// its distances can pass 4 GiB. No archive of this version is at hand.

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
