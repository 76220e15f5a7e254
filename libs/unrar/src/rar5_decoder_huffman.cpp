#include "rar5_decoder_huffman.h"

namespace unrar {

bool Rar5HuffmanTable::build(const uint8_t* lengths, size_t symbolCount) {
  std::array<uint32_t, kMaxLength + 1> count{};
  for (size_t i = 0; i < symbolCount; ++i) ++count[lengths[i] & 0xF];

  uint32_t codes = 0;
  uint32_t used = 0;
  limit_[0] = 0;
  for (unsigned length = 1; length <= kMaxLength; ++length) {
    codes += count[length];
    if (codes > (1u << length)) return false;
    limit_[length] = codes << (16 - length);
    firstIndex_[length] = used;
    used += count[length];
    codes *= 2;
  }

  sorted_.assign(used, 0);
  std::array<uint32_t, kMaxLength + 1> next = firstIndex_;
  for (size_t symbol = 0; symbol < symbolCount; ++symbol) {
    const unsigned length = lengths[symbol] & 0xF;
    if (length != 0) sorted_[next[length]++] = static_cast<uint16_t>(symbol);
  }

  for (uint32_t prefix = 0; prefix < quick_.size(); ++prefix) {
    const uint32_t peeked = prefix << (16 - kQuickBits);
    QuickEntry& entry = quick_[prefix];
    if (peeked >= limit_[kQuickBits]) {
      entry = {-1, 0};
      continue;
    }
    unsigned length = 1;
    while (peeked >= limit_[length]) ++length;
    entry = {static_cast<int16_t>(symbol_at(peeked, length)), static_cast<uint8_t>(length)};
  }
  return true;
}

}  // namespace unrar
