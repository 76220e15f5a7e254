// ACE 1.0 and 2.0 streams written here, for what the corpus archives do not reach:
// DELTA blocks without a mode change of their own, SOUND stretches of known output,
// and random mode parameters, which must end in a result, never a crash or a hang.
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

constexpr unsigned kDelta = 1, kSound8 = 3;

TEST(DecoderLz77, DictionarySizesOutsideTheFormatAreRefused) {
  EXPECT_EQ(unace::make_decoder(9), nullptr);
  EXPECT_EQ(unace::make_decoder(23), nullptr);
  EXPECT_NE(unace::make_decoder(10), nullptr);
  EXPECT_NE(unace::make_decoder(22), nullptr);
}

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
