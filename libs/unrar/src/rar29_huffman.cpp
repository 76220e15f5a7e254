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

  sorted_.clear();
  for (unsigned l = 1; l <= kMaxLength; ++l)
    for (size_t i = 0; i < count; ++i)
      if ((lengths[i] & 0xF) == l) sorted_.push_back(static_cast<uint16_t>(i));

  for (uint32_t v = 0; v < quick_.size(); ++v) {
    unsigned length = 0;
    const int symbol = symbol_at(v << (16 - kQuickBits), length);
    quick_[v] = length <= kQuickBits
                    ? QuickEntry{static_cast<int16_t>(symbol), static_cast<uint8_t>(length)}
                    : QuickEntry{};
  }
  return true;
}

int Rar29Huffman::symbol_at(uint32_t bits, unsigned& length) const {
  length = 1;
  while (length < kMaxLength && bits >= limit_[length]) ++length;
  const uint32_t index = first_[length] + ((bits - limit_[length - 1]) >> (16 - length));
  return index < sorted_.size() ? sorted_[index] : -1;
}

int Rar29Huffman::decode_long(Rar29BitInput& input, uint32_t bits) const {
  unsigned length = 0;
  const int symbol = symbol_at(bits, length);
  input.skip(length);
  return symbol;
}

}  // namespace unrar
