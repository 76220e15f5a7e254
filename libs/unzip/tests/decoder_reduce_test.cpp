// Reduce: streams from the test encoder for every factor (the corpus has two), with
// long lengths, the farthest distances and escaped 0x90.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "test_encoders.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kReduceFactor1 = 2;

uint16_t method_of(unsigned factor) {
  return static_cast<uint16_t>(kReduceFactor1 + factor - 1);
}

// Text with 0x90 bytes in it, repeats near the farthest distance, and a long run.
std::vector<unsigned char> reduce_sample(unsigned factor) {
  std::vector<unsigned char> data = sample_bytes(300, factor);
  data.push_back(0x90);
  const std::vector<unsigned char> block = sample_bytes(reduce_farthest_distance(factor) - 5, 77);
  data.insert(data.end(), block.begin(), block.end());
  // 200 bytes again from exactly the farthest distance back.
  const std::size_t from = data.size() - reduce_farthest_distance(factor);
  const std::vector<unsigned char> again(data.begin() + static_cast<long>(from),
                                         data.begin() + static_cast<long>(from) + 200);
  data.insert(data.end(), again.begin(), again.end());
  data.insert(data.end(), 600, 'z');  // longer than one match
  data.push_back(0x90);
  data.push_back(0x90);
  return data;
}

// The encoder cannot code length 3 within 256 bytes; those become literals.
std::vector<LzToken> reduce_tokens(const std::vector<unsigned char>& data, unsigned factor) {
  std::vector<LzToken> tokens =
      greedy_tokens(data, reduce_farthest_distance(factor), 3, reduce_longest_match(factor));
  std::vector<LzToken> codable;
  std::size_t pos = 0;
  for (const LzToken& token : tokens) {
    if (token.length == 3 && token.distance <= 256) {
      for (unsigned i = 0; i < 3; ++i) codable.push_back(LzToken{0, 0, data[pos + i]});
    } else {
      codable.push_back(token);
    }
    pos += token.length > 0 ? token.length : 1;
  }
  return codable;
}

class ReduceFactors : public ::testing::TestWithParam<unsigned> {};

TEST_P(ReduceFactors, EncodedStreamDecodesByteForByte) {
  const unsigned factor = GetParam();
  const std::vector<unsigned char> data = reduce_sample(factor);
  const std::vector<LzToken> tokens = reduce_tokens(data, factor);
  bool farthest = false, longest = false;
  for (const LzToken& token : tokens) {
    farthest |= token.distance == reduce_farthest_distance(factor);
    longest |= token.length == reduce_longest_match(factor);
  }
  EXPECT_TRUE(farthest && longest) << "the sample no longer reaches the limits";
  const DecodeOutcome outcome =
      run_decoder(method_of(factor), 0, data.size(), reduce_encode(tokens, factor));
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_EQ(outcome.data, data);
}

TEST_P(ReduceFactors, CopyFromBeforeTheStartGivesZeros) {
  const unsigned factor = GetParam();
  const std::vector<LzToken> tokens = {{5, 100, 0}, {0, 0, 'x'}, {4, 2, 0}};
  const DecodeOutcome outcome =
      run_decoder(method_of(factor), 0, 10, reduce_encode(tokens, factor));
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_EQ(outcome.data, (std::vector<unsigned char>{0, 0, 0, 0, 0, 'x', 0, 'x', 0, 'x'}));
}

TEST_P(ReduceFactors, DamageEndsInInvalidData) {
  const unsigned factor = GetParam();
  const std::vector<unsigned char> data = reduce_sample(factor);
  const std::vector<unsigned char> raw = reduce_encode(reduce_tokens(data, factor), factor);
  EXPECT_GT(expect_damage_caught(method_of(factor), 0, data, raw, 300), 0u);
}

INSTANTIATE_TEST_SUITE_P(Factors, ReduceFactors, ::testing::Values(1u, 2u, 3u, 4u),
                         [](const auto& info) { return "Factor" + std::to_string(info.param); });

// Empty sets for 255..1, then byte 0's set of three members.
BitWriter with_set_for_zero(uint32_t declared_size) {
  BitWriter out;
  for (int value = 255; value >= 1; --value) out.bits(0, 6);
  out.bits(declared_size, 6);
  for (unsigned char member : {'p', 'q', 'r'}) out.byte(member);
  return out;
}

TEST(ReduceDecoder, FollowerIndexPastTheSetIsInvalid) {
  BitWriter valid = with_set_for_zero(3);
  valid.bits(0, 1);
  valid.bits(2, 2);  // 'r'
  DecodeOutcome outcome = run_decoder(kReduceFactor1, 0, 1, valid.finish());
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_EQ(as_text(outcome.data), "r");

  BitWriter past = with_set_for_zero(3);
  past.bits(0, 1);
  past.bits(3, 2);
  outcome = run_decoder(kReduceFactor1, 0, 1, past.finish());
  EXPECT_EQ(outcome.status, ReadStatus::InvalidData);
}

TEST(ReduceDecoder, SetLargerThan32IsInvalid) {
  BitWriter out;
  out.bits(33, 6);
  for (int i = 0; i < 40; ++i) out.byte('a');
  EXPECT_EQ(run_decoder(kReduceFactor1, 0, 1, out.finish()).status, ReadStatus::InvalidData);
}

}  // namespace
}  // namespace unzip::test
