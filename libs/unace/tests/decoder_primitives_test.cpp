// The decoder's building blocks on hand-worked values, for edges no archive shows:
// code tables and the planar order of the inverse DELTA filter. The EXE filter is
// decoded byte for byte in the corpus and the blocked-stream tests.
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
