// ACE 1.0 LZ77 on streams written here: literals, matches with new and recent
// distances, blocks with new tables, solid entries, and the ways a stream ends
// early or reaches where it may not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_stream_writer.h"
#include "decoder_test_io.h"

namespace {

using namespace decoder_test;
using unace::CompressionType;
using unace::DecodeResult;

TEST(DecoderLz77, DictionarySizesOutsideTheFormatAreRefused) {
  EXPECT_EQ(unace::make_decoder(9), nullptr);
  EXPECT_EQ(unace::make_decoder(23), nullptr);
  EXPECT_NE(unace::make_decoder(10), nullptr);
  EXPECT_NE(unace::make_decoder(22), nullptr);
}

TEST(DecoderLz77, MatchesRepeatEarlierBytesAndOverlapThemselves) {
  Lz77Writer w;
  w.block(6);
  w.literals("abc");
  w.match(2, 6);  // "abcabc"
  w.match(0, 5);  // the last byte five times
  w.literals("!");
  const Decoded out = decode(w.bits.finish(), 15, CompressionType::Lz77);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, "abcabcabcccccc!");
}

TEST(DecoderLz77, RecentDistancesMoveToTheFront) {
  Lz77Writer v;
  v.block(16);
  v.literals("0123456789");
  v.match(9, 2);         // recent distances: 9
  v.match(3, 2);         // 3 9
  v.recent_match(1, 2);  // 9 3
  v.recent_match(1, 3);  // 3 9
  v.recent_match(0, 2);  // 3 9
  v.recent_match(2, 3);  // 0 3 9: the third is still the initial 0
  const Decoded out = decode(v.bits.finish(), 24, CompressionType::Lz77);
  ASSERT_EQ(out.result, DecodeResult::ok);
  // Worked by hand: each match copies from (length so far - distance - 1).
  std::string expected = "0123456789";
  auto copy = [&expected](size_t distance, size_t length) {
    for (size_t i = 0; i < length; ++i) expected += expected[expected.size() - distance - 1];
  };
  copy(9, 2);
  copy(3, 2);
  copy(9, 2);
  copy(3, 3);
  copy(3, 2);
  copy(0, 3);
  EXPECT_EQ(out.text, expected);
}

TEST(DecoderLz77, LengthsGrowWithTheDistance) {
  // The same length symbol means 2, 3 or 4 more bytes by distance.
  std::string data(9000, 'x');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i * 7 % 26);
  Lz77Writer w;
  w.block(static_cast<uint32_t>(data.size()) + 4);
  w.literals(data);
  w.match(255, 5);
  w.match(256, 5);
  w.match(8191, 5);
  w.match(8192, 5);
  std::string expected = data;
  for (size_t distance : {255, 256, 8191, 8192}) {
    for (size_t i = 0; i < 5; ++i) expected += expected[expected.size() - distance - 1];
  }
  const Decoded out = decode(w.bits.finish(), expected.size(), CompressionType::Lz77);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, expected);
}

TEST(DecoderLz77, BlocksBringNewTables) {
  Lz77Writer w;
  w.block(2);
  w.literals("ab");
  w.block(3);
  w.literals("c");
  w.match(2, 4);
  const Decoded out = decode(w.bits.finish(), 7, CompressionType::Lz77);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, "abcabca");
}

TEST(DecoderLz77, LongOutputWrapsTheWindowAndLeavesInPieces) {
  // 3 MiB from a 7-byte pattern: the 1 MiB window wraps several times.
  const size_t size = 3u << 20;
  const uint32_t matches = static_cast<uint32_t>((size - 7) / 257);
  const size_t rest = size - 7 - size_t{matches} * 257;
  Lz77Writer w;
  w.block(static_cast<uint32_t>(7 + matches + rest));
  w.literals("ACEdata");
  for (uint32_t i = 0; i < matches; ++i) w.match(6, 257);
  for (size_t i = size - rest; i < size; ++i) w.symbol(static_cast<uint8_t>("ACEdata"[i % 7]));
  const Decoded out = decode(w.bits.finish(), size, CompressionType::Lz77);
  ASSERT_EQ(out.result, DecodeResult::ok);
  ASSERT_EQ(out.text.size(), size);
  for (size_t i = 0; i < size; i += 4099) ASSERT_EQ(out.text[i], "ACEdata"[i % 7]) << i;
}

TEST(DecoderLz77, SolidEntriesReachBackIntoEarlierOnes) {
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(15);
  Lz77Writer first;
  first.block(5);
  first.literals("hello");
  ASSERT_EQ(decode(*decoder, first.bits.finish(), 5, CompressionType::Lz77).text, "hello");

  Lz77Writer second;
  second.block(1);
  second.match(4, 5);
  const std::vector<uint8_t> packed = second.bits.finish();
  const Decoded solid = decode(*decoder, packed, 5, CompressionType::Lz77, true);
  EXPECT_EQ(solid.result, DecodeResult::ok);
  EXPECT_EQ(solid.text, "hello");

  // Not solid: the same reach goes before the start of the entry.
  EXPECT_EQ(decode(*decoder, packed, 5, CompressionType::Lz77, false).result,
            DecodeResult::bad_data);
}

TEST(DecoderLz77, StoredBytesJoinTheDictionaryOfASolidArchive) {
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(15);
  const std::vector<uint8_t> stored = {'w', 'o', 'r', 'l', 'd'};
  const Decoded copied = decode(*decoder, stored, 5, CompressionType::Stored, true);
  EXPECT_EQ(copied.result, DecodeResult::ok);
  EXPECT_EQ(copied.text, "world");
  Lz77Writer w;
  w.block(2);
  w.match(4, 3);
  w.literals("!");
  EXPECT_EQ(decode(*decoder, w.bits.finish(), 4, CompressionType::Lz77, true).text, "wor!");
}

struct BadStream {
  const char* name;
  std::vector<uint8_t> packed;
  uint64_t size;
  CompressionType type;
  DecodeResult expected;
};

std::vector<uint8_t> stream(void (*write)(Lz77Writer&)) {
  Lz77Writer w;
  write(w);
  return w.bits.finish();
}

TEST(DecoderLz77, DamagedStreamsEndInBadData) {
  std::vector<uint8_t> cut = stream([](Lz77Writer& w) {
    w.block(300);
    w.literals(std::string(300, 'z'));
  });
  cut.resize(cut.size() / 2);
  const std::vector<BadStream> cases = {
      {"distance before the first byte", stream([](Lz77Writer& w) {
         w.block(2);
         w.literals("a");
         w.match(1, 2);
       }),
       3, CompressionType::Lz77, DecodeResult::bad_data},
      {"distance beyond the window", stream([](Lz77Writer& w) {
         w.block(2);
         w.literals("a");
         w.match((1u << 21) + 5, 4);
       }),
       5, CompressionType::Lz77, DecodeResult::bad_data},
      {"match past the end of the entry", stream([](Lz77Writer& w) {
         w.block(2);
         w.literals("a");
         w.match(0, 10);
       }),
       5, CompressionType::Lz77, DecodeResult::bad_data},
      {"symbols after the last byte are left alone", stream([](Lz77Writer& w) {
         w.block(2);
         w.literals("ab");
       }),
       1, CompressionType::Lz77, DecodeResult::ok},
      {"mode change in an ACE 1.0 stream", stream([](Lz77Writer& w) {
         w.block(2);
         w.literals("a");
         w.mode_change(0);
       }),
       5, CompressionType::Lz77, DecodeResult::bad_data},
      {"stream cut short", cut, 300, CompressionType::Lz77, DecodeResult::bad_data},
      {"no data at all", {}, 300, CompressionType::Lz77, DecodeResult::bad_data},
      {"stored entry cut short", {1, 2, 3}, 4, CompressionType::Stored, DecodeResult::bad_data},
  };
  for (const BadStream& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode(c.packed, c.size, c.type).result, c.expected);
  }
}

TEST(DecoderLz77, AFailingInputOrOutputStopsDecoding) {
  const std::vector<uint8_t> packed = stream([](Lz77Writer& w) {
    w.block(2000);
    w.literals(std::string(2000, 'q'));
  });
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(15);
  {
    BytesInput input(std::vector<uint8_t>(packed.begin(), packed.begin() + 500), true);
    StringOutput output;
    EXPECT_EQ(decoder->decode_entry(input, output, 2000, CompressionType::Lz77, false),
              DecodeResult::stopped);
  }
  {
    BytesInput input(packed);
    StringOutput output(100);
    EXPECT_EQ(decoder->decode_entry(input, output, 2000, CompressionType::Lz77, false),
              DecodeResult::stopped);
  }
}

}  // namespace
