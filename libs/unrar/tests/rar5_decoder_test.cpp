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

}  // namespace
}  // namespace unrar
