// A tiny implode encoder (no tool here writes the method any more), so the decoder
// meets every window and tree variant. The tests choose the literals and copies.
#pragma once

#include <cstdint>
#include <vector>

namespace unzip::test {

// A literal (length 0) or a copy of length bytes from distance back.
struct LzToken {
  unsigned length = 0;
  unsigned distance = 0;
  unsigned char literal = 0;
};

// What the tokens decode to; copies from before the start read zeros.
std::vector<unsigned char> apply_tokens(const std::vector<LzToken>& tokens);

// Code lengths of a complete prefix code over count symbols (a power of two): the
// first chain symbols get lengths 1, 2, ..., chain; the rest fill the remaining
// subtree evenly. chain 0 gives every symbol the same length.
std::vector<uint8_t> complete_lengths(unsigned count, unsigned chain);

// Implode with the general-purpose flags (bit 1: 8 KiB window, bit 2: literal
// tree), the trees' code lengths given (literal_lengths unused without bit 2).
std::vector<unsigned char> implode_encode(const std::vector<LzToken>& tokens, uint16_t flags,
                                          const std::vector<uint8_t>& literal_lengths,
                                          const std::vector<uint8_t>& length_lengths,
                                          const std::vector<uint8_t>& distance_lengths);
unsigned implode_min_match(uint16_t flags);

}  // namespace unzip::test
