// Damaged streams end in a result in bounded time and memory, never a crash (the
// tests run under the sanitizers): real packed data with 1 % of its bytes
// flipped, and random bits behind a switch into every ACE 2.0 mode.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder_corpus_walker.h"
#include "decoder_stream_writer.h"
#include "decoder_test_io.h"

namespace {

using namespace decoder_test;
using unace::CompressionType;
using unace::DecodeResult;

void expect_a_result(unace::Decoder& decoder, const std::vector<uint8_t>& packed, uint64_t size,
                     CompressionType type, bool solid) {
  BytesInput input(packed);
  StringOutput output;
  const DecodeResult result = decoder.decode_entry(input, output, size, type, solid);
  EXPECT_TRUE(result == DecodeResult::ok || result == DecodeResult::bad_data ||
              result == DecodeResult::unsupported)
      << static_cast<int>(result);
  EXPECT_LE(output.text.size(), size);
  if (result == DecodeResult::ok) {
    EXPECT_EQ(output.text.size(), size);
  }
}

TEST(DecoderDamage, CorpusStreamsWithFlippedBytes) {
  std::mt19937 random(20261206);
  const std::vector<std::vector<std::string>> archives = {{"dir2.ace"},
                                                          {"ALCHT.ACE"},
                                                          {"onefile.ace"},
                                                          {"zdir.ace"},
                                                          {"multivol2.ace", "multivol2.c00"}};
  for (const std::vector<std::string>& volumes : archives) {
    SCOPED_TRACE(volumes.front());
    const Walked walked = walk(volumes);
    size_t used = 0;
    for (const PackedFile& file : walked.files) {
      if (file.folder || file.type == 0 || file.encrypted || used == 3) continue;
      ++used;
      std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(22);
      for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> damaged = file.packed;
        const size_t flips = std::max<size_t>(1, damaged.size() / 100);
        for (size_t i = 0; i < flips; ++i)
          damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        expect_a_result(*decoder, damaged, file.size, static_cast<CompressionType>(file.type),
                        round % 2 == 1);
      }
    }
    EXPECT_GT(used, 0u);
  }
}

TEST(DecoderDamage, RandomBitsAfterAModeChange) {
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
      expect_a_result(*decoder, w.bits.finish(), 1 + random() % 100000, CompressionType::Blocked,
                      false);
    }
  }
}

TEST(DecoderDamage, AHugeClaimedSizeEndsWithTheInput) {
  std::mt19937 random(11);
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(22);
  for (int round = 0; round < 50; ++round) {
    Lz77Writer w;
    w.block(32767);
    w.literals("x");
    w.match(0, 257);
    for (int i = 0; i < 64; ++i) w.bits.put(random(), 32);
    expect_a_result(*decoder, w.bits.finish(), uint64_t{1} << 32,
                    round % 2 ? CompressionType::Lz77 : CompressionType::Blocked, false);
  }
}

}  // namespace
