// The RAR 1.5 decoder on streams from the test's own writer, which keeps the
// decoder's adaptive state to choose its bits (checked against unar 1.10.1 when it
// was written); the corpus's one RAR 1.5 archive holds too little to exercise it.
#include <gtest/gtest.h>

#include <random>

#include "decoder_test_support.h"
#include "rar15_decoder_test_writer.h"

namespace unrar {
namespace {

using namespace test;

Decoded decode_alone(const Bytes& packed, uint64_t size) {
  auto decoder = make_rar15_decoder(64 * 1024);
  return decode(*decoder, packed, size);
}

void expect_decodes_to_writer_output(Rar15StreamWriter& writer) {
  const Decoded decoded = decode_alone(writer.packed(), writer.output().size());
  ASSERT_EQ(decoded.result, DecodeResult::ok);
  EXPECT_TRUE(decoded.bytes == writer.output());
}

// Random operations over a few alphabets: few symbols keep the literal
// positions low and the cheap codes in use; all 256 move to the long ones.
// Lists are re-ranked when a symbol wears out its count.
struct RandomCase {
  const char* name;
  uint32_t seed;
  uint32_t alphabet;
  int operations;
  uint32_t crc;  // of the output, as unar 1.10.1 decoded the stream
};

class Rar15Random : public testing::TestWithParam<RandomCase> {};

void write_random(Rar15StreamWriter& writer, std::mt19937& random, uint32_t alphabet,
                  int operations) {
  for (int i = 0; i < operations; ++i) {
    const uint32_t produced = static_cast<uint32_t>(writer.produced());
    const uint32_t choice = random() % 100;
    if (writer.stream_mode()) {
      if (choice < 85)
        writer.literal(static_cast<uint8_t>(random() % alphabet));
      else if (choice < 95 && produced > 8300)
        writer.stream_match(random() % 257, random() % 32, random() % 2);
      else
        writer.leave_stream_mode();
    } else if (choice < 45 || produced < 300) {
      // Runs of literals lead into stream mode now and then.
      const uint32_t run = random() % 4 == 0 ? 20 + random() % 20 : 1;
      for (uint32_t n = 0; n < run; ++n) writer.literal(static_cast<uint8_t>(random() % alphabet));
    } else if (choice < 65) {
      writer.short_match(random() % 9, 1 + random() % 256);
    } else if (choice < 72) {
      writer.repeat_last();
    } else if (choice < 80) {
      const uint32_t back = 1 + random() % 4;
      if (writer.old_distance(back) != 0)
        writer.old_distance_match(back, random() % (back == 1 ? 255 : 256));
    } else if (choice < 81) {
      writer.toggle_short_code();
    } else if (choice < 83 && produced > 0x10000) {
      writer.far_short_match(random() % 0x8000, random() % 256);
    } else {
      const uint32_t reach = std::min<uint32_t>(produced, 0x7FFF);
      writer.long_match(1 + random() % reach, random() % 64 == 0 ? random() % 256 : random() % 9);
    }
  }
}

TEST_P(Rar15Random, DecodesToWhatTheWriterMeant) {
  const RandomCase& c = GetParam();
  Rar15StreamWriter writer;
  std::mt19937 random(c.seed);
  write_random(writer, random, c.alphabet, c.operations);
  expect_decodes_to_writer_output(writer);
  EXPECT_EQ(crc_of(writer.output()), c.crc);
}

INSTANTIATE_TEST_SUITE_P(Alphabets, Rar15Random,
                         testing::Values(RandomCase{"FourSymbols", 1, 4, 6000, 0x5BC1C6CD},
                                         RandomCase{"Text", 2, 60, 8000, 0x8A307D88},
                                         RandomCase{"AllBytes", 3, 256, 8000, 0x1EFCF32B},
                                         RandomCase{"AllBytesAgain", 4, 256, 3000, 0xC411A21F}),
                         [](const testing::TestParamInfo<RandomCase>& info) {
                           return std::string(info.param.name);
                         });

// --- Window and output --------------------------------------------------------------

TEST(Rar15Output, MegabytesThroughTheWindowInPiecesOfAtMost256KiB) {
  Rar15StreamWriter writer;
  std::mt19937 random(5);
  for (int i = 0; i < 2000; ++i) writer.literal(static_cast<uint8_t>(random()));
  while (writer.produced() < 1'300'000)
    writer.long_match(1 + random() % std::min<uint64_t>(writer.produced(), 0x7FFF),
                      250 + random() % 6);
  const std::vector<uint8_t> packed = writer.packed();

  auto decoder = make_rar15_decoder(64 * 1024);
  BytesInput input(packed);
  CollectingOutput output;
  ASSERT_EQ(decoder->decode_entry(input, output, writer.output().size(), false), DecodeResult::ok);
  EXPECT_TRUE(output.bytes == writer.output());
  EXPECT_LE(output.largestPiece, 256u * 1024);

  // The output refusing more stops the file.
  BytesInput again(packed);
  CollectingOutput refusing;
  refusing.stopAfter = 300'000;
  EXPECT_EQ(decoder->decode_entry(again, refusing, writer.output().size(), false),
            DecodeResult::stopped);
}

// --- Damage -----------------------------------------------------------------------

TEST(Rar15Damaged, ImpossibleCodesAndSizesAreBadData) {
  // A flag byte at list position 256 (all ones), and a zero distance.
  EXPECT_EQ(decode_alone(Bytes(16, 0xFF), 10).result, DecodeResult::bad_data);
  Rar15StreamWriter writer;
  writer.literal('a');
  writer.long_match(0, 3);
  EXPECT_EQ(decode_alone(writer.packed(), 20).result, DecodeResult::bad_data);
  // Without an end marker an unknown size cannot be decoded.
  EXPECT_EQ(decode_alone(Bytes(16, 0), UINT64_MAX).result, DecodeResult::bad_data);
  // Nothing to decode needs no data at all.
  const Decoded empty = decode_alone({}, 0);
  EXPECT_EQ(empty.result, DecodeResult::ok);
  EXPECT_TRUE(empty.bytes.empty());
  // Noise ends in bounded time whatever the declared size: every symbol takes a bit
  // and gives at most a few hundred bytes.
  std::mt19937 random(9);
  for (int round = 0; round < 20; ++round) {
    Bytes noise(64 + random() % 2000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    const Decoded decoded = decode_alone(noise, uint64_t{1} << 40);
    EXPECT_EQ(decoded.result, DecodeResult::bad_data);
    EXPECT_LE(decoded.bytes.size(), noise.size() * 8 * 300);
  }
}

}  // namespace
}  // namespace unrar
