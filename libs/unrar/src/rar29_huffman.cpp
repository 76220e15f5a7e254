#include "rar29_huffman.h"

namespace unrar {

bool Rar29Huffman::build(const uint8_t* lengths, size_t count) {
  std::array<uint32_t, kMaxLength + 1> perLength{};
  for (size_t i = 0; i < count; ++i) ++perLength[lengths[i] & 0xF];

  uint32_t upper = 0;
  uint32_t symbolsBefore = 0;
  limit_[0] = 0;
  for (unsigned l = 1; l <= kMaxLength; ++l) {
    upper += perLength[l];
    if (upper > (1u << l)) return false;
    limit_[l] = upper << (16 - l);
    first_[l] = symbolsBefore;
    symbolsBefore += perLength[l];
    upper *= 2;
  }

  // Symbols by code length, each length's in symbol order.
  std::array<uint32_t, kMaxLength + 1> next = first_;
  sorted_.resize(symbolsBefore);
  for (size_t i = 0; i < count; ++i) {
    const unsigned length = lengths[i] & 0xF;
    if (length != 0) sorted_[next[length]++] = static_cast<uint16_t>(i);
  }

  // The codes of length l fill the left-aligned range [limit_[l-1], limit_[l]).
  constexpr unsigned kDropped = 16 - kQuickBits;
  uint32_t v = 0;
  for (unsigned l = 1; l <= kQuickBits; ++l) {
    for (; v < limit_[l] >> kDropped; ++v) {
      const uint32_t index = first_[l] + (((v << kDropped) - limit_[l - 1]) >> (16 - l));
      quick_[v] = QuickEntry{static_cast<uint8_t>(l), static_cast<int16_t>(sorted_[index])};
    }
  }
  for (; v < quick_.size(); ++v) quick_[v] = QuickEntry{};
  return true;
}

int Rar29Huffman::decode_long(Rar29BitInput& input, uint32_t bits) const {
  unsigned length = 1;
  while (length < kMaxLength && bits >= limit_[length]) ++length;
  const uint32_t index = first_[length] + ((bits - limit_[length - 1]) >> (16 - length));
  input.skip(length);
  return index < sorted_.size() ? sorted_[index] : -1;
}

}  // namespace unrar
