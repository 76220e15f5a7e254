// Reduce: follower sets that break their limits, and damage to a corpus entry (the
// corpus's factors 2 and 4 are decoded through the call).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kReduceFactor1 = 2;

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

TEST(ReduceDecoder, DamagedCorpusEntryEndsInInvalidData) {
  const RawEntryStream entry = raw_entry_stream(corpus_file("zip2-reduce.zip"), "first.txt");
  const DecodeOutcome good = run_decoder(entry.method, entry.flags, entry.size, entry.raw);
  ASSERT_EQ(good.status, ReadStatus::Ok);
  EXPECT_GT(expect_damage_caught(entry.method, entry.flags, good.data, entry.raw, 300), 0u);
}

}  // namespace
}  // namespace unzip::test
