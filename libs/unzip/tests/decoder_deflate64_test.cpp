// Deflate64: a hand-built stream for length symbol 285 and distance codes 30/31,
// broken streams, and an archive made by 7z (distances beyond 32 KiB, long runs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kDeflate64 = 9;

unsigned distance_base(unsigned code) {
  return code < 4 ? code + 1 : ((2u | (code & 1)) << (code / 2 - 1)) + 1;
}

// A deflate64 stream built field by field with the fixed codes. Every match uses
// length symbol 285, whose 16 extra bits give any length from 3 to 65538.
class FixedBlockWriter {
 public:
  void stored_block(const std::vector<unsigned char>& data, bool last) {
    out_.bits(last ? 1 : 0, 1);
    out_.bits(0, 2);
    out_.align();
    out_.bits(static_cast<uint32_t>(data.size()), 16);
    out_.bits(static_cast<uint32_t>(~data.size()) & 0xFFFF, 16);
    for (unsigned char byte : data) out_.byte(byte);
  }
  void begin_fixed(bool last) {
    out_.bits(last ? 1 : 0, 1);
    out_.bits(1, 2);
  }
  void symbol(unsigned value) {
    if (value < 144) {
      out_.code(0x30 + value, 8);
    } else if (value < 256) {
      out_.code(0x190 + value - 144, 9);
    } else if (value < 280) {
      out_.code(value - 256, 7);
    } else {
      out_.code(0xC0 + value - 280, 8);
    }
  }
  void literals(const std::string& text) {
    for (unsigned char byte : text) symbol(byte);
  }
  void match(unsigned length, unsigned distance) {
    symbol(285);
    out_.bits(length - 3, 16);
    unsigned code = 0;
    while (code < 31 && distance_base(code + 1) <= distance) ++code;
    out_.code(code, 5);
    out_.bits(distance - distance_base(code), code < 4 ? 0 : code / 2 - 1);
  }
  void end_block() { symbol(256); }
  BitWriter& bits() { return out_; }
  std::vector<unsigned char> finish() { return out_.finish(); }

 private:
  BitWriter out_;
};

// What a copy of length bytes from distance back appends.
void copy_back(std::vector<unsigned char>& data, std::size_t length, std::size_t distance) {
  for (std::size_t i = 0; i < length; ++i) data.push_back(data[data.size() - distance]);
}

TEST(Deflate64Decoder, LongestLengthsAndFarthestDistances) {
  const std::vector<unsigned char> history = sample_bytes(65536, 9);
  FixedBlockWriter stream;
  // A stored block holds at most 65535 bytes.
  stream.stored_block(cut(history, 40000), false);
  stream.stored_block(std::vector<unsigned char>(history.begin() + 40000, history.end()), false);
  stream.begin_fixed(true);
  stream.literals("xy");
  std::vector<unsigned char> expected = history;
  expected.push_back('x');
  expected.push_back('y');
  // The shortest and longest lengths, then distance codes 30 and 31 with all and
  // none of their extra bits set.
  const std::pair<unsigned, unsigned> matches[] = {{3, 2},       {65538, 5},   {300, 40000},
                                                   {258, 50000}, {100, 65536}, {20, 32769}};
  for (const auto& [length, distance] : matches) {
    stream.match(length, distance);
    copy_back(expected, length, distance);
  }
  stream.end_block();
  const DecodeOutcome outcome = run_decoder(kDeflate64, 0, expected.size(), stream.finish());
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_TRUE(outcome.data == expected);
}

struct BrokenStream {
  const char* name;
  std::vector<unsigned char> raw;
};

std::vector<BrokenStream> broken_streams() {
  std::vector<BrokenStream> rows;
  {
    FixedBlockWriter s;
    s.begin_fixed(true);
    s.literals("ab");
    s.match(5, 3);  // one byte further back than the output reaches
    s.end_block();
    rows.push_back({"distance beyond the output", s.finish()});
  }
  {
    FixedBlockWriter s;
    s.begin_fixed(true);
    s.literals("ab");
    s.symbol(286);
    s.bits().bits(0, 16);
    rows.push_back({"length symbol past 285", s.finish()});
  }
  {
    FixedBlockWriter s;
    s.stored_block(text_bytes("hello"), true);
    std::vector<unsigned char> raw = s.finish();
    raw[3] ^= 1;  // the length's complement no longer matches
    rows.push_back({"stored length check", raw});
  }
  {
    // Dynamic block whose first code length repeats a previous one.
    BitWriter s;
    s.bits(1, 1);
    s.bits(2, 2);
    s.bits(0, 5);  // 257 literal/length codes
    s.bits(0, 5);  // 1 distance code
    s.bits(0, 4);  // 4 code-length codes: 16, 17, 18, 0
    for (unsigned length : {1u, 0u, 0u, 1u}) s.bits(length, 3);
    s.code(1, 1);  // symbol 16 first
    s.bits(0, 2);
    s.bits(0, 32);
    rows.push_back({"repeat with nothing before", s.finish()});
  }
  {
    FixedBlockWriter s;
    s.begin_fixed(false);
    s.literals("no last block");
    s.end_block();
    rows.push_back({"stream ends without a last block", s.finish()});
  }
  return rows;
}

TEST(Deflate64Decoder, BrokenStreamsAreInvalidData) {
  for (const BrokenStream& row : broken_streams()) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(run_decoder(kDeflate64, 0, 100, row.raw).status, ReadStatus::InvalidData);
  }
}

// Data whose copies lie 50000 bytes back: only a 64 KiB window finds them.
std::vector<unsigned char> far_repeats(std::size_t size) {
  std::vector<unsigned char> data;
  uint32_t state = 12345;
  auto fresh = [&](std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      state = state * 1103515245u + 12345u;
      data.push_back(static_cast<unsigned char>(state >> 16));
    }
  };
  fresh(65536);
  while (data.size() < size) {
    copy_back(data, 8192, 50000);
    fresh(8192);
  }
  data.resize(size);
  return data;
}

// data's entry in an archive made by 7z.
RawEntryStream seven_zip_deflate64(const TempDir& dir, const std::vector<unsigned char>& data) {
  write_bytes(dir / "data.bin", data);
  EXPECT_EQ(run_in(dir.path(), "7z a -tzip -mm=Deflate64 -mx=9 a.zip data.bin"), 0);
  RawEntryStream entry = raw_entry_stream((dir / "a.zip").string(), "data.bin");
  EXPECT_EQ(entry.method, kDeflate64);
  return entry;
}

TEST(SevenZipDeflate64, FarCopiesAndLongRunsDecodeByteForByte) {
  TempDir dir;
  std::vector<unsigned char> data = far_repeats(300 * 1024);
  data.insert(data.end(), 200000, 0);
  const RawEntryStream entry = seven_zip_deflate64(dir, data);
  // Well below the data's size only if the copies 50000 bytes back were found.
  EXPECT_LT(entry.raw.size(), data.size() * 8 / 10);
  const DecodeOutcome outcome = run_decoder(kDeflate64, 0, data.size(), entry.raw, 4096);
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_TRUE(outcome.data == data);
}

TEST(SevenZipDeflate64, DamageEndsInInvalidData) {
  // Text-like bytes: Huffman-coded blocks, where flips break codes and distances.
  TempDir dir;
  const std::vector<unsigned char> data = sample_bytes(80 * 1024, 5);
  const RawEntryStream entry = seven_zip_deflate64(dir, data);
  EXPECT_GT(expect_damage_caught(kDeflate64, 0, data, entry.raw, 150), 0u);
}

}  // namespace
}  // namespace unzip::test
