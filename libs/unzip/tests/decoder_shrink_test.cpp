// Shrink: hand-built code sequences for the edges of partial clearing, control codes
// and the entry's size, and broken sequences.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kShrink = 1;
constexpr unsigned kControl = 256, kGrow = 1, kClear = 2;

// The codes in order; a control pair (256, 1) widens the codes after it, as the
// decoder expects.
std::vector<unsigned char> shrink_stream(const std::vector<unsigned>& codes) {
  BitWriter out;
  unsigned width = 9;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    out.bits(codes[i], width);
    if (i > 0 && codes[i - 1] == kControl && codes[i] == kGrow) ++width;
  }
  return out.finish();
}

unsigned c(char byte) {
  return static_cast<unsigned char>(byte);
}

struct ShrinkCase {
  const char* name;
  std::vector<unsigned> codes;
  std::string expected;  // empty: invalid data
};

class ShrinkStreams : public ::testing::TestWithParam<ShrinkCase> {};

TEST_P(ShrinkStreams, DecodeAsBuilt) {
  const ShrinkCase& row = GetParam();
  const std::vector<unsigned char> raw = shrink_stream(row.codes);
  const uint64_t size = row.expected.empty() ? 100 : row.expected.size();
  const DecodeOutcome outcome = run_decoder(kShrink, 0, size, raw);
  if (row.expected.empty()) {
    EXPECT_EQ(outcome.status, ReadStatus::InvalidData);
  } else {
    EXPECT_EQ(outcome.status, ReadStatus::Ok);
    EXPECT_EQ(as_text(outcome.data), row.expected);
  }
}

// The corpus entries already grow the codes and clear partly, many times over.
const ShrinkCase kShrinkCases[] = {
    // A partial clear frees the leaves 259 ("abb") and 260 ("baa") but keeps the
    // parents 257 and 258; the lowest free slot, 259, is then used before it is
    // defined: it is the previous string plus its first byte.
    {"KwKwKIntoClearedSlot", {c('a'), c('b'), 257, 258, 257, kControl, kClear, 259}, "ababbaababa"},
    {"UnknownControlIgnored", {c('a'), kControl, 7, c('b')}, "ab"},
    // More codes than the entry's size: the output stops at the size.
    {"StopsAtSize", {c('x'), c('y'), 257}, "xyx"},
    {"FirstCodeNotAByte", {257, c('a')}, ""},
    {"FreeCodeThatIsNotNext", {c('a'), c('b'), 300}, ""},
    {"ClearedSlotUsedBeforeItIsNext", {c('a'), c('b'), 257, 258, 257, kControl, kClear, 260}, ""},
    {"WiderThanThirteenBits",
     {c('a'), kControl, kGrow, kControl, kGrow, kControl, kGrow, kControl, kGrow, kControl, kGrow},
     ""},
    {"EndsBeforeTheSize", {c('a'), c('b')}, ""},
};

INSTANTIATE_TEST_SUITE_P(Streams, ShrinkStreams, ::testing::ValuesIn(kShrinkCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unzip::test
