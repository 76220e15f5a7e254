#include "archivekit/prefix_table.h"

#include <array>

namespace archivekit {
namespace {

uint32_t reverse_bits(uint32_t code, unsigned length) {
  uint32_t reversed = 0;
  for (unsigned i = 0; i < length; ++i) {
    reversed = (reversed << 1) | (code & 1);
    code >>= 1;
  }
  return reversed;
}

}  // namespace

bool PrefixTable::build(const uint8_t* lengths, std::size_t count, unsigned root_bits, Rule rule) {
  std::array<unsigned, kMaxLength + 1> per_length{};
  unsigned used = 0;
  max_length_ = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (lengths[i] > kMaxLength) return false;
    ++per_length[lengths[i]];
    if (lengths[i] > 0) ++used;
    if (lengths[i] > max_length_) max_length_ = lengths[i];
  }
  // Code space left after each length: below zero is over-full.
  int64_t left = 1;
  for (unsigned length = 1; length <= kMaxLength; ++length) {
    left = left * 2 - per_length[length];
    if (left < 0) return false;
  }
  if (left > 0 && (rule == Rule::ImplodeInverted || used > 1)) return false;

  root_bits_ = max_length_ < root_bits ? (max_length_ > 0 ? max_length_ : 1) : root_bits;
  root_mask_ = (1u << root_bits_) - 1;
  entries_.assign(std::size_t{1} << root_bits_, Entry{});
  if (max_length_ == 0) max_length_ = 1;

  std::array<uint32_t, kMaxLength + 2> next_code{};
  uint32_t code = 0;
  for (unsigned length = 1; length <= kMaxLength; ++length) {
    code = (code + per_length[length - 1] * (length > 1)) << 1;
    next_code[length] = code;
  }
  for (std::size_t symbol = 0; symbol < count; ++symbol) {
    const unsigned length = lengths[symbol];
    if (length == 0) continue;
    uint32_t assigned = next_code[length]++;
    if (rule == Rule::ImplodeInverted) assigned = ~assigned & ((1u << length) - 1);
    place(static_cast<unsigned>(symbol), reverse_bits(assigned, length), length);
  }
  return true;
}

void PrefixTable::place(unsigned symbol, uint32_t reversed, unsigned length) {
  if (length <= root_bits_) {
    for (uint32_t i = reversed; i <= root_mask_; i += 1u << length) {
      entries_[i] = {static_cast<uint16_t>(symbol), static_cast<uint8_t>(length), Kind::Symbol};
    }
    return;
  }
  const uint32_t root = reversed & root_mask_;
  const unsigned sub_bits = max_length_ - root_bits_;
  if (entries_[root].kind != Kind::Link) {
    entries_[root] = {static_cast<uint16_t>(entries_.size()), static_cast<uint8_t>(sub_bits),
                      Kind::Link};
    entries_.resize(entries_.size() + (std::size_t{1} << sub_bits));
  }
  const std::size_t base = entries_[root].value;
  const unsigned rest = length - root_bits_;
  for (uint32_t i = reversed >> root_bits_; i < (1u << sub_bits); i += 1u << rest) {
    entries_[base + i] = {static_cast<uint16_t>(symbol), static_cast<uint8_t>(rest), Kind::Symbol};
  }
}

}  // namespace archivekit
