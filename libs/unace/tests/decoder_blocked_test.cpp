// ACE 2.0 blocked streams written here, for what the corpus archives do not reach:
// DELTA blocks without a mode change of their own, 16-bit EXE operands, SOUND and PIC
// stretches of known output, and impossible or random mode parameters, which must end
// in a result, never a crash or a hang.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder_test_support.h"

namespace {

using namespace decoder_test;
using unace::CompressionType;
using unace::DecodeResult;

constexpr unsigned kDelta = 1, kExe = 2, kSound8 = 3, kPic = 7;

// Stride 1 keeps the order, so the output is the running sum of the bytes sent.
TEST(DecoderBlocked, DeltaBlocksRepeatWithoutAModeChangeAndCarryTheirRunningByte) {
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kDelta);
  w.bits.put(1, 8);
  w.bits.put(4, 17);
  w.literals("\x05\x01");
  w.match(1, 2);                       // the filtered bytes again: 5 1
  w.literals(std::string(4, '\x02'));  // the next block, the same mode
  w.mode_change(0);
  w.literals("xyz");
  const Decoded out = decode(w.bits.finish(), 11, CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, "\x05\x06\x0B\x0C\x0E\x10\x12\x14xyz");
}

// 16-bit operands, which no corpus archive uses: the call at 1 gets its position
// taken off; the one at 8 has only 3 bytes after it when EXE ends and stays as it is.
TEST(DecoderBlocked, ExeModeRestoresOperandsAndLeavesHeldBytesWhenLz77Follows) {
  const std::string exePart = std::string("\x90\xE8\x35\x12\x90\x90\x90\x90\xE8\x01\x02", 11);
  const std::string expected = std::string("\x90\xE8\x34\x12\x90\x90\x90\x90\xE8\x01\x02", 11);
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kExe);
  w.bits.put(0, 8);
  w.literals(exePart);
  w.mode_change(0);
  w.literals("\x03xyz");
  const Decoded out = decode(w.bits.finish(), 15, CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, expected + "\x03xyz");
}

TEST(DecoderBlocked, SoundPredictsFromTheLastSampleAndSwitchesBack) {
  // One channel: five zero residuals, residual 1, residual 0 (predicted 1).
  Lz77Writer w;
  w.block(32767);
  w.literals("ab");
  w.mode_change(kSound8);
  std::vector<AceCode> codes;
  for (int table = 0; table < 3; ++table)
    codes = AceWriteTable(w.bits, std::vector<uint8_t>(289, 9));
  w.bits.put(100, 15);
  auto sound_symbol = [&](unsigned s) { w.bits.put(codes[s].bits, codes[s].width); };
  for (int i = 0; i < 5; ++i) sound_symbol(32);
  sound_symbol(32 + 2);
  sound_symbol(32);
  sound_symbol(288);
  w.bits.put(0, 8);
  w.literals("cd");
  const Decoded out = decode(w.bits.finish(), 11, CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, std::string("ab\0\0\0\0\0\x01\x01", 9) + "cd");
}

TEST(DecoderBlocked, PicRowsOfAFlatImageThenLz77) {
  Lz77Writer w;
  w.block(32767);
  w.mode_change(kPic);
  w.bits.put(4, 12);  // row length 4
  w.bits.put(0, 1);
  w.bits.put(1, 2);  // one plane
  w.bits.put(0, 1);
  // Every pixel has the same context; its Golomb-Rice width shrinks as it is used
  // (bit length of 4 / uses): 3, 2, 1, 1, then 0.
  const unsigned widths[8] = {3, 2, 1, 1, 0, 0, 0, 0};
  for (int row = 0; row < 2; ++row) {
    w.bits.put(1, 1);
    for (int pixel = 0; pixel < 4; ++pixel) w.bits.put(0, widths[row * 4 + pixel] + 1);
  }
  w.bits.put(0, 1);
  w.bits.put(0, 8);
  w.literals("end");
  const Decoded out = decode(w.bits.finish(), 11, CompressionType::Blocked);
  ASSERT_EQ(out.result, DecodeResult::ok);
  EXPECT_EQ(out.text, std::string(8, '\0') + "end");
}

TEST(DecoderBlocked, ImpossibleModesAndParametersAreRefused) {
  using Fields = std::vector<std::pair<uint32_t, unsigned>>;  // value, bits
  const Fields longRow = [] {
    Fields row = {{0, 12}};
    row.insert(row.end(), 300, {1, 1});  // 300 * 4096
    row.insert(row.end(), {{0, 1}, {1, 3}});
    return row;
  }();
  const struct {
    const char* name;
    unsigned mode;
    Fields parameters;
    DecodeResult expected;
  } cases[] = {
      {"unknown mode", 8, {}, DecodeResult::unsupported},
      {"delta stride 0", kDelta, {{0, 8}, {16, 17}}, DecodeResult::bad_data},
      {"delta block shorter than its stride", kDelta, {{8, 8}, {4, 17}}, DecodeResult::bad_data},
      {"delta block beyond the entry", kDelta, {{2, 8}, {5000, 17}}, DecodeResult::bad_data},
      {"picture row longer than any image", kPic, longRow, DecodeResult::bad_data},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Lz77Writer w;
    w.block(32767);
    w.literals("x");
    w.mode_change(c.mode);
    for (const auto& [value, bits] : c.parameters) w.bits.put(value, bits);
    w.literals(std::string(40, 'y'));
    EXPECT_EQ(decode(w.bits.finish(), 1000, CompressionType::Blocked).result, c.expected);
  }
}

// Random bits behind a switch into every mode end in a result in bounded time and
// memory (the tests run under the sanitizers).
TEST(DecoderBlocked, RandomBitsAfterAModeChangeEndInAResult) {
  std::mt19937 random(7);
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(16);
  for (unsigned mode = 0; mode < 9; ++mode) {
    SCOPED_TRACE(mode);
    for (int round = 0; round < 100; ++round) {
      Lz77Writer w;
      w.block(32767);
      w.literals("start");
      w.mode_change(mode);
      for (int i = 0; i < 400; ++i) w.bits.put(random(), 32);
      const uint64_t size = 1 + random() % 100000;
      const Decoded out = decode(*decoder, w.bits.finish(), size, CompressionType::Blocked);
      EXPECT_TRUE(out.result == DecodeResult::ok || out.result == DecodeResult::bad_data ||
                  out.result == DecodeResult::unsupported)
          << static_cast<int>(out.result);
      EXPECT_LE(out.text.size(), size);
      if (out.result == DecodeResult::ok) {
        EXPECT_EQ(out.text.size(), size);
      }
    }
  }
}

}  // namespace
