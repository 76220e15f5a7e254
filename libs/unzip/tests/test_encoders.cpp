#include "test_encoders.h"

#include <algorithm>
#include <array>

#include "decoder_test_support.h"

namespace unzip::test {
namespace {

constexpr uint16_t kImplodeLargeWindow = 1 << 1;
constexpr uint16_t kImplodeLiteralTree = 1 << 2;

// Canonical codes for the lengths, as deflate assigns them.
std::vector<uint32_t> canonical_codes(const std::vector<uint8_t>& lengths) {
  std::array<uint32_t, 18> count{}, next{};
  for (uint8_t length : lengths) ++count[length];
  count[0] = 0;
  uint32_t code = 0;
  for (unsigned length = 1; length <= 16; ++length) {
    code = (code + count[length - 1]) << 1;
    next[length] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    if (lengths[i] > 0) codes[i] = next[lengths[i]]++;
  }
  return codes;
}

// Implode's tree description: runs of equal lengths as (run - 1, length - 1) nibbles.
void write_tree(BitWriter& out, const std::vector<uint8_t>& lengths) {
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
void write_inverted(BitWriter& out, const std::vector<uint32_t>& codes,
                    const std::vector<uint8_t>& lengths, unsigned symbol) {
  out.code(~codes[symbol] & ((1u << lengths[symbol]) - 1), lengths[symbol]);
}

}  // namespace

std::vector<unsigned char> apply_tokens(const std::vector<LzToken>& tokens) {
  std::vector<unsigned char> data;
  for (const LzToken& token : tokens) {
    if (token.length == 0) data.push_back(token.literal);
    for (unsigned i = 0; i < token.length; ++i)
      data.push_back(data.size() < token.distance ? 0 : data[data.size() - token.distance]);
  }
  return data;
}

std::vector<uint8_t> complete_lengths(unsigned count, unsigned chain) {
  std::vector<uint8_t> lengths;
  for (unsigned i = 1; i <= chain; ++i) lengths.push_back(static_cast<uint8_t>(i));
  const unsigned rest = count - chain;
  unsigned depth = 0;
  while ((2u << depth) <= rest) ++depth;
  const unsigned deeper_pairs = rest - (1u << depth);
  for (unsigned i = 0; i < (1u << depth) - deeper_pairs; ++i)
    lengths.push_back(static_cast<uint8_t>(chain + depth));
  for (unsigned i = 0; i < 2 * deeper_pairs; ++i)
    lengths.push_back(static_cast<uint8_t>(chain + depth + 1));
  return lengths;
}

unsigned implode_min_match(uint16_t flags) {
  return (flags & kImplodeLiteralTree) ? 3 : 2;
}

std::vector<unsigned char> implode_encode(const std::vector<LzToken>& tokens, uint16_t flags,
                                          const std::vector<uint8_t>& literal_lengths,
                                          const std::vector<uint8_t>& length_lengths,
                                          const std::vector<uint8_t>& distance_lengths) {
  const bool literal_tree = (flags & kImplodeLiteralTree) != 0;
  const unsigned low_bits = (flags & kImplodeLargeWindow) ? 7 : 6;
  const unsigned min_match = implode_min_match(flags);
  BitWriter out;
  if (literal_tree) write_tree(out, literal_lengths);
  write_tree(out, length_lengths);
  write_tree(out, distance_lengths);
  const std::vector<uint32_t> literal_codes = canonical_codes(literal_lengths);
  const std::vector<uint32_t> length_codes = canonical_codes(length_lengths);
  const std::vector<uint32_t> distance_codes = canonical_codes(distance_lengths);
  for (const LzToken& token : tokens) {
    if (token.length == 0) {
      out.bits(1, 1);
      if (literal_tree) {
        write_inverted(out, literal_codes, literal_lengths, token.literal);
      } else {
        out.byte(token.literal);
      }
      continue;
    }
    out.bits(0, 1);
    const unsigned distance = token.distance - 1;
    out.bits(distance & ((1u << low_bits) - 1), low_bits);
    write_inverted(out, distance_codes, distance_lengths, distance >> low_bits);
    const unsigned length = token.length - min_match;
    write_inverted(out, length_codes, length_lengths, std::min(length, 63u));
    if (length >= 63) out.byte(static_cast<unsigned char>(length - 63));
  }
  return out.finish();
}

}  // namespace unzip::test
