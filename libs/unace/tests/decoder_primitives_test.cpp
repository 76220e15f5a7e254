// The decoder's building blocks on hand-worked values, for edges no archive shows:
// code tables and the inverse EXE and DELTA filters.
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
      {"complete", {2, 1, 2}, true, {1, 1, 1, 1, 0, 0, 2, 2}},
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

std::vector<uint8_t> Hex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t at = 0; at < hex.size(); at += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(at, 2), nullptr, 16)));
  return bytes;
}

TEST(DecoderModes, UndoesTheExeTranslation) {
  const struct {
    const char* name;
    const char* data;
    uint64_t offset;
    bool call32;
    const char* expected;
    size_t final;
  } cases[] = {
      {"jump is always 16-bit", "e90000000090", 1, true, "e9ffff000090", 6},
      {"operand bytes are not opcodes", "e8e800e9009090", 0, true, "e8e800e9009090", 7},
      {"an opcode without 4 bytes after it waits", "9090e8010203", 0, true, "9090e8010203", 2},
      {"other bytes at the end are final", "909090010203", 0, true, "909090010203", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> data = Hex(c.data);
    EXPECT_EQ(unace::undo_exe_translation(data.data(), data.size(), c.offset, c.call32), c.final);
    EXPECT_EQ(data, Hex(c.expected));
  }
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
