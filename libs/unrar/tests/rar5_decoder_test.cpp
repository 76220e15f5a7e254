// The RAR5 decoder on streams written here: stops, failed reads and the paths the corpus's archives
// lack (the rest is checked through the API in api_corpus_test.cpp).
#include <gtest/gtest.h>

#include <functional>

#include "decoder_test_support.h"
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

// A volume that cannot be read ends the entry as stopped, not as damaged data.
TEST(Rar5DecoderTest, FailedInputStopsTheEntry) {
  auto decoder = make_rar5_decoder(128 << 10, 0);
  const Bytes nothing;
  BytesInput input(nothing, 1, true);
  CollectingOutput output;
  EXPECT_EQ(decoder->decode_entry(input, output, 10, false), DecodeResult::stopped);
}

TEST(Rar5DecoderTest, AbsurdDictionariesAndUnknownVersionsAreRefused) {
  EXPECT_EQ(make_rar5_decoder(0, 0), nullptr);
  EXPECT_EQ(make_rar5_decoder((uint64_t{4} << 30) + 1, 1), nullptr);
  EXPECT_EQ(make_rar5_decoder(uint64_t{1} << 40, 1), nullptr);

  auto unknownVersion = make_rar5_decoder(128 << 10, 2);
  const Bytes packed = one_block([](Rar5StreamWriter& w) { w.literals("abc"); });
  EXPECT_EQ(decode(*unknownVersion, packed, 3).result, DecodeResult::unsupported);
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

// --- Compression version 1 ---------------------------------------------------------
// The same algorithm with 80 distance slots, so its tables hold 16 more lengths and
// its distances can pass 4 GiB. No archive of this version is at hand.

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
