// The decoder's building blocks on hand-worked values: the bit reader, the code
// tables, the window, and the inverse EXE and DELTA filters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ace_bit_reader.h"
#include "ace_huffman.h"
#include "ace_lz77.h"
#include "ace_modes.h"
#include "decoder_test_support.h"

namespace {

using namespace decoder_test;
using unace::AceBitReader;
using unace::AceHuffman;

TEST(DecoderBitReader, ReadsWordsLittleEndianFromTheTopAndFailsOnlyPastTheEnd) {
  // The last word is short: its missing high bytes are zeros, not an error.
  BytesInput input(std::string("\x78\x56\x34\x12\xEF\xCD\xAB\x89\xFF\x7F", 10));
  AceBitReader reader;
  reader.reset(input);
  EXPECT_EQ(reader.read(4), 0x1u);
  EXPECT_EQ(reader.read(8), 0x23u);
  EXPECT_EQ(reader.peek(24), 0x456788u);  // across the word boundary
  EXPECT_EQ(reader.read(20), 0x45678u);
  EXPECT_EQ(reader.read(32), 0x89ABCDEFu);
  EXPECT_EQ(reader.read(32), 0x7FFFu);
  EXPECT_EQ(reader.peek(32), 0u);
  EXPECT_FALSE(reader.overrun());
  reader.skip(1);
  EXPECT_TRUE(reader.overrun());
}

// Each row: widths, then the symbol every 3-bit lookup finds (-1: no code).
struct CodeCase {
  const char* name;
  std::vector<uint8_t> widths;
  bool valid;
  std::vector<int> symbolAt;
};

TEST(DecoderHuffman, AssignsCodesOrRefusesImpossibleTables) {
  const std::vector<CodeCase> cases = {
      {"complete", {2, 1, 2}, true, {1, 1, 1, 1, 0, 0, 2, 2}},
      {"incomplete leaves slots empty", {2, 0, 2}, true, {0, 0, 2, 2, -1, -1, -1, -1}},
      {"single symbol", {0, 3, 0}, true, {1, -1, -1, -1, -1, -1, -1, -1}},
      {"a full table ignores the symbols left", {1, 1, 1}, true, {0, 0, 0, 0, 1, 1, 1, 1}},
      {"width beyond the maximum", {4, 1, 2}, false, {}},
  };
  for (const CodeCase& c : cases) {
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

TEST(DecoderWindow, KeepsTheLastBytesOfAnAppendLargerThanItself) {
  unace::AceWindow window;
  ASSERT_TRUE(window.allocate(10));
  const std::vector<uint8_t> head = {1, 2, 3};
  window.append(head.data(), head.size());
  std::vector<uint8_t> big(window.size() + 12345);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 31 + i / 256);
  window.append(big.data(), big.size());
  std::vector<uint8_t> recent;
  window.visit_recent(300, 300, [&recent](const uint8_t* data, size_t length) {
    recent.insert(recent.end(), data, data + length);
    return true;
  });
  EXPECT_EQ(recent, std::vector<uint8_t>(big.end() - 300, big.end()));
}

struct ExeCase {
  const char* name;
  std::vector<uint8_t> data;
  uint64_t offset;
  bool call32;
  std::vector<uint8_t> expected;
  size_t final;
};

TEST(DecoderModes, UndoesTheExeTranslation) {
  const std::vector<ExeCase> cases = {
      {"32-bit call at its file offset",
       {0x90, 0xE8, 0x10, 0x00, 0x00, 0x00, 0x90},
       0x100,
       true,
       {0x90, 0xE8, 0x0F, 0xFF, 0xFF, 0xFF, 0x90},
       7},
      {"16-bit call",
       {0xE8, 0x34, 0x12, 0x90, 0x90, 0x90},
       2,
       false,
       {0xE8, 0x32, 0x12, 0x90, 0x90, 0x90},
       6},
      {"jump is always 16-bit",
       {0xE9, 0x00, 0x00, 0x00, 0x00, 0x90},
       1,
       true,
       {0xE9, 0xFF, 0xFF, 0x00, 0x00, 0x90},
       6},
      {"operand bytes are not opcodes",
       {0xE8, 0xE8, 0x00, 0xE9, 0x00, 0x90, 0x90},
       0,
       true,
       {0xE8, 0xE8, 0x00, 0xE9, 0x00, 0x90, 0x90},
       7},
      {"an opcode without 4 bytes after it waits",
       {0x90, 0x90, 0xE8, 1, 2, 3},
       0,
       true,
       {0x90, 0x90, 0xE8, 1, 2, 3},
       2},
      {"other bytes at the end are final",
       {0x90, 0x90, 0x90, 1, 2, 3},
       0,
       true,
       {0x90, 0x90, 0x90, 1, 2, 3},
       6},
  };
  for (const ExeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> data = c.data;
    EXPECT_EQ(unace::undo_exe_translation(data.data(), data.size(), c.offset, c.call32), c.final);
    EXPECT_EQ(data, c.expected);
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
