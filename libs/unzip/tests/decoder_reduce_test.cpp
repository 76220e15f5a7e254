// Reduce: follower sets that break their limits, and damage to a corpus entry
// (the corpus's factors 2 and 4 are decoded through the call).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kReduceFactor1 = 2;

// Byte 0 followed by the member at index of its set of three.
std::vector<unsigned char> follower_of_zero(uint32_t index) {
  BitWriter out;
  for (int value = 255; value >= 1; --value) out.bits(0, 6);  // empty sets
  out.bits(3, 6);
  for (unsigned char member : {'p', 'q', 'r'}) out.byte(member);
  out.bits(0, 1);
  out.bits(index, 2);
  return out.finish();
}

TEST(ReduceDecoder, FollowerIndexOrSetPastItsLimitIsInvalid) {
  const DecodeOutcome last = run_decoder(kReduceFactor1, 0, 1, follower_of_zero(2));
  EXPECT_EQ(last.status, ReadStatus::Ok);
  EXPECT_EQ(as_text(last.data), "r");
  EXPECT_EQ(run_decoder(kReduceFactor1, 0, 1, follower_of_zero(3)).status, ReadStatus::InvalidData);
  BitWriter set_of_33;
  set_of_33.bits(33, 6);
  for (int i = 0; i < 40; ++i) set_of_33.byte('a');
  EXPECT_EQ(run_decoder(kReduceFactor1, 0, 1, set_of_33.finish()).status, ReadStatus::InvalidData);
}

TEST(ReduceDecoder, DamagedCorpusEntryEndsInInvalidData) {
  const RawEntryStream entry = raw_entry_stream(corpus_file("zip2-reduce.zip"), "first.txt");
  const DecodeOutcome good = run_decoder(entry.method, entry.flags, entry.size, entry.raw);
  ASSERT_EQ(good.status, ReadStatus::Ok);
  EXPECT_GT(expect_damage_caught(entry.method, entry.flags, good.data, entry.raw, 300), 0u);
}

}  // namespace
}  // namespace unzip::test
