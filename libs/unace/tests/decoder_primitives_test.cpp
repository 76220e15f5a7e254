// The decoder's building blocks: the bit reader, the code assignment in the
// archiver's sort order, and the inverse EXE and DELTA filters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ace_bit_reader.h"
#include "ace_huffman.h"
#include "ace_lz77.h"
#include "ace_modes.h"
#include "decoder_stream_writer.h"
#include "decoder_test_io.h"

namespace {

using namespace decoder_test;
using unace::AceBitReader;
using unace::AceHuffman;
using unace::CompressionType;
using unace::DecodeResult;

TEST(DecoderBitReader, TakesWordsLittleEndianAndBitsFromTheTop) {
  BytesInput input({0x78, 0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89});
  AceBitReader reader;
  reader.reset(input);
  EXPECT_EQ(reader.read(4), 0x1u);
  EXPECT_EQ(reader.read(8), 0x23u);
  EXPECT_EQ(reader.peek(24), 0x456788u);  // across the word boundary
  EXPECT_EQ(reader.read(20), 0x45678u);
  EXPECT_EQ(reader.read(32), 0x89ABCDEFu);
  EXPECT_FALSE(reader.overrun());
}

TEST(DecoderBitReader, PeeksZerosPastTheEndButFailsOnlyWhenThoseBitsAreConsumed) {
  BytesInput input({0x00, 0x00, 0x00, 0x80});
  AceBitReader reader;
  reader.reset(input);
  EXPECT_EQ(reader.read(1), 1u);
  EXPECT_EQ(reader.peek(32), 0u);
  reader.skip(31);
  EXPECT_FALSE(reader.overrun());
  reader.skip(1);
  EXPECT_TRUE(reader.overrun());
}

TEST(DecoderBitReader, AShortLastWordIsDataWithZeroHighBytes) {
  BytesInput input({0x01, 0x00, 0x00, 0x00, 0xFF, 0x7F});
  AceBitReader reader;
  reader.reset(input);
  EXPECT_EQ(reader.read(32), 1u);
  EXPECT_EQ(reader.read(32), 0x7FFFu);
  EXPECT_FALSE(reader.overrun());
}

TEST(DecoderHuffman, SortsWidthsInTheArchiversOrder) {
  std::vector<uint8_t> keys = {1, 0, 0, 1, 2, 0, 0};
  std::vector<uint16_t> symbols = {0, 1, 2, 3, 4, 5, 6};
  unace::sort_widths_descending(keys.data(), symbols.data(), 0, 6);
  EXPECT_EQ(keys, (std::vector<uint8_t>{2, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(symbols, (std::vector<uint16_t>{4, 0, 3, 5, 6, 2, 1}));
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
      BytesInput input({0, 0, 0, static_cast<uint8_t>(slot << 5)});
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
  BytesInput input({0, 0, 0, 0x10});  // 0001...
  AceBitReader reader;
  reader.reset(input);
  EXPECT_EQ(table.decode(reader), 1);
  EXPECT_EQ(reader.read(3), 1u);
}

TEST(DecoderHuffman, ReadsATableSentTheArchiversWay) {
  std::vector<uint8_t> widths(20, 0);
  widths[0] = 2;
  widths[3] = 3;
  widths[4] = 3;
  widths[7] = 1;
  BitWriter bits;
  const std::vector<Code> codes = put_table(bits, widths, 11);
  for (unsigned s : {7u, 4u, 0u, 3u}) bits.put(codes[s].bits, codes[s].width);
  BytesInput input(bits.finish());
  AceBitReader reader;
  reader.reset(input);
  AceHuffman table;
  ASSERT_TRUE(table.read(reader, 11, 284));
  EXPECT_EQ(table.decode(reader), 7);
  EXPECT_EQ(table.decode(reader), 4);
  EXPECT_EQ(table.decode(reader), 0);
  EXPECT_EQ(table.decode(reader), 3);
}

// The worked example of the format notes: "abcabcabc\n" as literals only.
TEST(DecoderLz77, DecodesTheFormatNotesLiteralExample) {
  const std::string hex =
      "a014b97f00000000000000000000000000000000000000000000000000000000"
      "0000000001000000e6c6a646a6e6c6a600c0ebc600000000";
  std::vector<uint8_t> packed;
  for (size_t i = 0; i < hex.size(); i += 2) {
    packed.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  ASSERT_EQ(packed.size(), 56u);
  const Decoded out = decode(packed, 10, CompressionType::Lz77);
  EXPECT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, "abcabcabc\n");
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
