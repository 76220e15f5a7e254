// Implode: no tool here writes the method, and the corpus has one flag combination,
// so a small encoder of the test's own makes streams for all four, with flat trees or
// trees whose codes run to 16 bits, and damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "decoder_test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kImplode = 6;
constexpr uint16_t kLargeWindow = 1 << 1;
constexpr uint16_t kLiteralTree = 1 << 2;

// A literal (length 0) or a copy of length bytes from distance back.
struct LzToken {
  unsigned length = 0;
  unsigned distance = 0;
  unsigned char literal = 0;
};

// What the tokens decode to; copies from before the start read zeros.
std::vector<unsigned char> apply_tokens(const std::vector<LzToken>& tokens) {
  std::vector<unsigned char> data;
  for (const LzToken& token : tokens) {
    if (token.length == 0) data.push_back(token.literal);
    for (unsigned i = 0; i < token.length; ++i)
      data.push_back(data.size() < token.distance ? 0 : data[data.size() - token.distance]);
  }
  return data;
}

// A prefix code over count symbols (a power of two) with the lengths 1, 2, ..., chain
// for the first symbols and the rest filling the remaining subtree evenly.
struct Tree {
  Tree(unsigned count, unsigned chain) {
    for (unsigned i = 1; i <= chain; ++i) lengths.push_back(static_cast<uint8_t>(i));
    const unsigned rest = count - chain;
    unsigned depth = 0;
    while ((2u << depth) <= rest) ++depth;
    const unsigned deeper_pairs = rest - (1u << depth);
    lengths.resize(count - 2 * deeper_pairs, static_cast<uint8_t>(chain + depth));
    lengths.resize(count, static_cast<uint8_t>(chain + depth + 1));
    // Canonical codes, as deflate assigns them.
    std::array<uint32_t, 18> per_length{}, next{};
    for (uint8_t length : lengths) ++per_length[length];
    for (unsigned length = 1, code = 0; length <= 16; ++length)
      next[length] = code = (code + per_length[length - 1]) << 1;
    for (uint8_t length : lengths) codes.push_back(next[length]++);
  }
  // The description: runs of equal lengths as (run - 1, length - 1) nibbles.
  void describe(BitWriter& out) const {
    std::vector<unsigned char> runs;
    for (std::size_t i = 0; i < lengths.size();) {
      std::size_t run = 1;
      while (i + run < lengths.size() && run < 16 && lengths[i + run] == lengths[i]) ++run;
      runs.push_back(static_cast<unsigned char>(((run - 1) << 4) | (lengths[i] - 1)));
      i += run;
    }
    out.byte(static_cast<unsigned char>(runs.size() - 1));
    for (unsigned char run : runs) out.byte(run);
  }
  // Implode sends each code's bits inverted.
  void put(BitWriter& out, unsigned symbol) const {
    out.code(~codes[symbol] & ((1u << lengths[symbol]) - 1), lengths[symbol]);
  }
  std::vector<uint8_t> lengths;
  std::vector<uint32_t> codes;
};

struct ImplodeCase {
  const char* name;
  uint16_t flags;
  unsigned literal_chain, length_chain, distance_chain;  // 0: flat tree
  unsigned window() const { return (flags & kLargeWindow) ? 8192 : 4096; }
  unsigned min_match() const { return (flags & kLiteralTree) ? 3 : 2; }
};

std::vector<unsigned char> implode_encode(const ImplodeCase& row,
                                          const std::vector<LzToken>& tokens) {
  const bool literal_tree = (row.flags & kLiteralTree) != 0;
  const unsigned low_bits = (row.flags & kLargeWindow) ? 7 : 6;
  const Tree literals(256, row.literal_chain), lengths(64, row.length_chain),
      distances(64, row.distance_chain);
  BitWriter out;
  if (literal_tree) literals.describe(out);
  lengths.describe(out);
  distances.describe(out);
  for (const LzToken& token : tokens) {
    out.bits(token.length == 0 ? 1 : 0, 1);
    if (token.length == 0) {
      if (literal_tree) {
        literals.put(out, token.literal);
      } else {
        out.byte(token.literal);
      }
      continue;
    }
    const unsigned distance = token.distance - 1;
    out.bits(distance & ((1u << low_bits) - 1), low_bits);
    distances.put(out, distance >> low_bits);
    const unsigned length = token.length - row.min_match();
    lengths.put(out, std::min(length, 63u));
    if (length >= 63) out.byte(static_cast<unsigned char>(length - 63));
  }
  return out.finish();
}

// A copy from before the start (zeros), random literals (every byte value), a copy
// from the farthest distance, the longest copy (a run) and the shortest one.
std::vector<LzToken> implode_sample(const ImplodeCase& row) {
  std::vector<LzToken> tokens = {{4, 300, 0}};
  uint32_t state = row.flags + 1u;
  for (unsigned i = 0; i < row.window() + 100; ++i) {
    state = state * 1103515245u + 12345u;
    tokens.push_back({0, 0, static_cast<unsigned char>(state >> 16)});
  }
  tokens.push_back({150, row.window(), 0});
  tokens.push_back({0, 0, 'q'});
  tokens.push_back({row.min_match() + 63 + 255, 1, 0});
  tokens.push_back({row.min_match(), 3, 0});
  return tokens;
}

// Each flag combination once, the deep trees where they reach 16-bit codes.
const ImplodeCase kImplodeCases[] = {
    {"Flags0FlatTrees", 0, 0, 0, 0},
    {"LargeWindowSixteenBitCodes", kLargeWindow, 8, 10, 10},
    {"LiteralTreeSixteenBitCodes", kLiteralTree, 8, 10, 10},
    {"BothFlatTrees", kLargeWindow | kLiteralTree, 0, 0, 0},
};

class ImplodeVariants : public ::testing::TestWithParam<ImplodeCase> {};

TEST_P(ImplodeVariants, DecodesByteForByteAndDamageIsCaught) {
  const std::vector<LzToken> tokens = implode_sample(GetParam());
  const std::vector<unsigned char> data = apply_tokens(tokens);
  const std::vector<unsigned char> raw = implode_encode(GetParam(), tokens);
  const DecodeOutcome outcome = run_decoder(kImplode, GetParam().flags, data.size(), raw);
  EXPECT_EQ(outcome.status, ReadStatus::Ok);
  EXPECT_EQ(outcome.data, data);
  EXPECT_GT(expect_damage_caught(kImplode, GetParam().flags, data, raw, 100), 0u);
}

INSTANTIATE_TEST_SUITE_P(Variants, ImplodeVariants, ::testing::ValuesIn(kImplodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unzip::test
