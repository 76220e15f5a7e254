// Implode: streams from the test encoder for all four flag combinations (the corpus
// has one), with flat trees or trees whose codes run to 16 bits; broken tree
// descriptions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "test_encoders.h"
#include "test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kImplode = 6;
constexpr uint16_t kLargeWindow = 1 << 1;
constexpr uint16_t kLiteralTree = 1 << 2;

unsigned window_of(uint16_t flags) {
  return (flags & kLargeWindow) ? 8192 : 4096;
}

unsigned longest_match(uint16_t flags) {
  return implode_min_match(flags) + 63 + 255;
}

// Random literals (every byte value), a copy from the farthest distance, the longest
// copy (a run) and the shortest one close by.
std::vector<LzToken> implode_sample(uint16_t flags) {
  std::vector<LzToken> tokens;
  uint32_t state = flags + 1u;
  for (unsigned i = 0; i < window_of(flags) + 100; ++i) {
    state = state * 1103515245u + 12345u;
    tokens.push_back({0, 0, static_cast<unsigned char>(state >> 16)});
  }
  tokens.push_back({150, window_of(flags), 0});
  tokens.push_back({0, 0, 'q'});
  tokens.push_back({longest_match(flags), 1, 0});
  tokens.push_back({implode_min_match(flags), 3, 0});
  return tokens;
}

struct TreeShape {
  const char* name;
  unsigned literal_chain;
  unsigned length_chain;
  unsigned distance_chain;
};

struct ImplodeCase {
  uint16_t flags;
  TreeShape trees;
};

std::string case_name(const ImplodeCase& row) {
  return "Flags" + std::to_string(row.flags) + row.trees.name;
}

std::vector<unsigned char> encode(const ImplodeCase& row, const std::vector<LzToken>& tokens) {
  return implode_encode(tokens, row.flags, complete_lengths(256, row.trees.literal_chain),
                        complete_lengths(64, row.trees.length_chain),
                        complete_lengths(64, row.trees.distance_chain));
}

class ImplodeVariants : public ::testing::TestWithParam<ImplodeCase> {};

TEST_P(ImplodeVariants, EncodedStreamDecodesByteForByte) {
  const ImplodeCase& row = GetParam();
  const std::vector<LzToken> tokens = implode_sample(row.flags);
  const std::vector<unsigned char> data = apply_tokens(tokens);
  const DecodeOutcome outcome = run_decoder(kImplode, row.flags, data.size(), encode(row, tokens));
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_EQ(outcome.data, data);
}

TEST_P(ImplodeVariants, CopyFromBeforeTheStartGivesZeros) {
  const ImplodeCase& row = GetParam();
  const std::vector<LzToken> tokens = {{4, 300, 0}, {0, 0, 'x'}, {3, 2, 0}};
  const DecodeOutcome outcome = run_decoder(kImplode, row.flags, 8, encode(row, tokens));
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_EQ(outcome.data, (std::vector<unsigned char>{0, 0, 0, 0, 'x', 0, 'x', 0}));
}

const TreeShape kFlat = {"FlatTrees", 0, 0, 0};
const TreeShape kDeep = {"SixteenBitCodes", 8, 10, 10};

// Each flag combination once, the deep trees where they reach 16-bit codes.
const ImplodeCase kImplodeCases[] = {
    {0, kFlat},
    {kLargeWindow, kDeep},
    {kLiteralTree, kDeep},
    {kLargeWindow | kLiteralTree, kFlat},
};

INSTANTIATE_TEST_SUITE_P(Variants, ImplodeVariants, ::testing::ValuesIn(kImplodeCases),
                         [](const auto& info) { return case_name(info.param); });

TEST(ImplodeDecoder, DamageEndsInInvalidData) {
  const ImplodeCase row = {kLargeWindow | kLiteralTree, kDeep};
  const std::vector<LzToken> tokens = implode_sample(row.flags);
  const std::vector<unsigned char> raw = encode(row, tokens);
  const std::vector<unsigned char> data = apply_tokens(tokens);
  EXPECT_GT(expect_damage_caught(kImplode, row.flags, data, raw, 300), 0u);
}

// A tree description from its (run, length) pairs.
void tree(BitWriter& out, const std::vector<std::pair<unsigned, unsigned>>& runs) {
  out.byte(static_cast<unsigned char>(runs.size() - 1));
  for (const auto& [run, length] : runs)
    out.byte(static_cast<unsigned char>(((run - 1) << 4) | (length - 1)));
}

struct BrokenTrees {
  const char* name;
  std::vector<std::pair<unsigned, unsigned>> length_tree;
};

TEST(ImplodeDecoder, TreesThatMakeNoCompleteCodeAreInvalid) {
  const BrokenTrees rows[] = {
      {"63 symbols", {{16, 6}, {16, 6}, {16, 6}, {15, 6}}},
      {"65 symbols", {{16, 6}, {16, 6}, {16, 6}, {16, 6}, {1, 6}}},
      {"over-full", {{16, 5}, {16, 5}, {16, 5}, {16, 5}}},
      {"incomplete", {{16, 7}, {16, 7}, {16, 7}, {16, 7}}},
  };
  const std::vector<std::pair<unsigned, unsigned>> flat = {{16, 6}, {16, 6}, {16, 6}, {16, 6}};
  for (const BrokenTrees& row : rows) {
    SCOPED_TRACE(row.name);
    BitWriter out;
    tree(out, row.length_tree);
    tree(out, flat);
    for (int i = 0; i < 20; ++i) out.byte(0xFF);  // literals, should the trees pass
    EXPECT_EQ(run_decoder(kImplode, 0, 10, out.finish()).status, ReadStatus::InvalidData);
  }
  BitWriter out;
  tree(out, flat);
  tree(out, flat);
  for (int i = 0; i < 20; ++i) out.byte(0xFF);
  EXPECT_EQ(run_decoder(kImplode, 0, 10, out.finish()).status, ReadStatus::Ok);
}

}  // namespace
}  // namespace unzip::test
