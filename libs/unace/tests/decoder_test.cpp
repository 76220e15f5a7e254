// ACE 1.0 LZ77 on streams written here, for what the corpus archives do not reach:
// the window wrapping, and the ways a stream ends early or reaches where it may not.
// A failing input or output is the backend's test (an archive cut short, a full disk).
// Then the decoder's building blocks on hand-worked values, for edges no archive
// shows: code tables and the planar order of the inverse DELTA filter. The EXE filter
// is decoded byte for byte in the corpus and the blocked-stream tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ace_bit_reader.h"
#include "ace_huffman.h"
#include "ace_modes.h"
#include "decoder_test_support.h"

namespace {

using namespace decoder_test;
using unace::AceBitReader;
using unace::AceHuffman;
using unace::CompressionType;
using unace::DecodeResult;

TEST(DecoderLz77, DictionarySizesOutsideTheFormatAreRefused) {
  EXPECT_EQ(unace::make_decoder(9), nullptr);
  EXPECT_EQ(unace::make_decoder(23), nullptr);
  EXPECT_NE(unace::make_decoder(10), nullptr);
  EXPECT_NE(unace::make_decoder(22), nullptr);
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

std::string Literals(const std::string& text) {
  Lz77Writer w;
  w.block(static_cast<uint32_t>(text.size()));
  w.literals(text);
  return w.bits.finish();
}

// "a", then a match, or a switch to LZ77 mode when there is no match.
std::string AThen(uint32_t distance = 0, unsigned length = 0) {
  Lz77Writer w;
  w.block(2);
  w.literals("a");
  length == 0 ? w.mode_change(0) : w.match(distance, length);
  return w.bits.finish();
}

TEST(DecoderLz77, DamagedStreamsEndInBadData) {
  const std::string whole = Literals(std::string(300, 'z'));
  const struct {
    const char* name;
    std::string packed;
    uint64_t size;
    CompressionType type;
    DecodeResult expected;
  } cases[] = {
      {"distance before the first byte", AThen(1, 2), 3, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"distance beyond the window", AThen((1u << 21) + 5, 4), 5, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"match past the end of the entry", AThen(0, 10), 5, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"symbols after the last byte are left alone", Literals("ab"), 1, CompressionType::Lz77,
       DecodeResult::ok},
      {"mode change in an ACE 1.0 stream", AThen(), 5, CompressionType::Lz77,
       DecodeResult::bad_data},
      {"stream cut short", whole.substr(0, whole.size() / 2), 300, CompressionType::Lz77,
       DecodeResult::bad_data},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode(c.packed, c.size, c.type).result, c.expected);
  }
}

TEST(DecoderHuffman, AssignsCodesOrRefusesImpossibleTables) {
  // Each row: widths, then the symbol every 3-bit lookup finds (-1: no code).
  const struct {
    const char* name;
    std::vector<uint8_t> widths;
    bool valid;
    std::vector<int> symbolAt;
  } cases[] = {
      {"incomplete leaves slots empty", {2, 0, 2}, true, {0, 0, 2, 2, -1, -1, -1, -1}},
      {"single symbol", {0, 3, 0}, true, {1, -1, -1, -1, -1, -1, -1, -1}},
      {"a full table ignores the symbols left", {1, 1, 1}, true, {0, 0, 0, 0, 1, 1, 1, 1}},
      {"width beyond the maximum", {4, 1, 2}, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AceHuffman table;
    ASSERT_EQ(table.build(c.widths.data(), c.widths.size(), 3), c.valid);
    for (size_t slot = 0; slot < c.symbolAt.size(); ++slot) {
      BytesInput input(std::string("\0\0\0", 3) + static_cast<char>(slot << 5));
      AceBitReader reader;
      reader.reset(input);
      EXPECT_EQ(table.decode(reader), c.symbolAt[slot]) << "slot " << slot;
    }
  }
}

TEST(DecoderHuffman, TheSingleSymbolOfATableConsumesOneBit) {
  const std::vector<uint8_t> widths = {0, 3, 0};
  AceHuffman table;
  ASSERT_TRUE(table.build(widths.data(), widths.size(), 3));
  BytesInput input(std::string("\0\0\0\x10", 4));  // 0001...
  AceBitReader reader;
  reader.reset(input);
  EXPECT_EQ(table.decode(reader), 1);
  EXPECT_EQ(reader.read(3), 1u);
}

TEST(DecoderModes, UndoesTheDeltaSumAndThePlanarOrder) {
  // Sums: 1 3 6 10 15 21 (from last = 0), planes of 3 bytes: 1 3 6 | 10 15 21.
  std::vector<uint8_t> block = {1, 2, 3, 4, 5, 6};
  std::vector<uint8_t> out(6);
  uint8_t last = 0;
  unace::undo_delta(block.data(), block.size(), 2, last, out.data());
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 10, 3, 15, 6, 21}));
  EXPECT_EQ(last, 21);

  // A length that is no multiple of the stride: plane 2 of 5 bytes: 0 2 4 | 1 3.
  std::vector<uint8_t> odd = {10, 1, 1, 1, 1};
  std::vector<uint8_t> oddOut(5);
  last = 250;
  unace::undo_delta(odd.data(), odd.size(), 2, last, oddOut.data());
  EXPECT_EQ(oddOut, (std::vector<uint8_t>{4, 6, 8, 5, 7}));
}

}  // namespace
