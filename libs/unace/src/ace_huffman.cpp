#include "ace_huffman.h"

#include <algorithm>
#include <utility>

namespace unace {

namespace {

constexpr unsigned kWidthAlphabetMaxWidth = 7;

void swap_entries(uint8_t* keys, uint16_t* symbols, int a, int b) {
  std::swap(keys[a], keys[b]);
  std::swap(symbols[a], symbols[b]);
}

}  // namespace

void sort_widths_descending(uint8_t* keys, uint16_t* symbols, int left, int right) {
  int i = left;
  int j = right;
  const uint8_t pivot = keys[right];
  do {
    while (keys[i] > pivot) ++i;
    while (keys[j] < pivot) --j;
    if (i <= j) {
      swap_entries(keys, symbols, i, j);
      ++i;
      --j;
    }
  } while (i < j);
  if (left < j) {
    if (left < j - 1) {
      sort_widths_descending(keys, symbols, left, j);
    } else if (keys[left] < keys[j]) {
      swap_entries(keys, symbols, left, j);
    }
  }
  if (i < right) {
    if (i < right - 1) {
      sort_widths_descending(keys, symbols, i, right);
    } else if (keys[i] < keys[right]) {
      swap_entries(keys, symbols, i, right);
    }
  }
}

bool AceHuffman::build(const uint8_t* widths, size_t count, unsigned maxWidth) {
  std::array<uint8_t, kMaxSymbols> keys{};
  std::array<uint8_t, kMaxSymbols> consumed{};
  std::array<uint16_t, kMaxSymbols> symbols{};
  if (count == 0 || count > kMaxSymbols || maxWidth > kMaxWidth) return false;
  for (size_t s = 0; s < count; ++s) {
    keys[s] = widths[s];
    consumed[s] = widths[s];
    symbols[s] = static_cast<uint16_t>(s);
  }
  if (count > 1)
    sort_widths_descending(keys.data(), symbols.data(), 0, static_cast<int>(count) - 1);

  size_t used = 0;
  while (used < count && keys[used] != 0) ++used;
  if (used < 2) {
    // The code walk below still uses the sorted width, as the archiver does.
    consumed[symbols[0]] = 1;
    if (used == 0) used = 1;
  }

  maxWidth_ = maxWidth;
  const size_t slots = size_t{1} << maxWidth;
  std::fill(table_.begin(), table_.begin() + static_cast<ptrdiff_t>(slots), uint16_t{0});
  size_t position = 0;
  for (size_t i = used; i-- > 0 && position < slots;) {
    if (keys[i] > maxWidth) return false;
    const size_t run = slots >> keys[i];
    if (position + run > slots) return false;
    const uint16_t entry = static_cast<uint16_t>(symbols[i] << 4 | consumed[symbols[i]]);
    std::fill_n(table_.begin() + static_cast<ptrdiff_t>(position), run, entry);
    position += run;
  }
  return true;
}

bool AceHuffman::read(AceBitReader& reader, unsigned maxWidth, unsigned largestSymbol) {
  const size_t count = std::min<size_t>(reader.read(9), largestSymbol) + 1;
  const unsigned lower = reader.read(4);
  const unsigned upper = reader.read(4);

  std::array<uint8_t, 16> alphabetWidths{};
  for (unsigned i = 0; i <= upper; ++i) alphabetWidths[i] = static_cast<uint8_t>(reader.read(3));
  AceHuffman alphabet;
  if (!alphabet.build(alphabetWidths.data(), upper + 1, kWidthAlphabetMaxWidth)) return false;

  std::array<uint8_t, kMaxSymbols> widths{};
  size_t filled = 0;
  while (filled < count) {
    if (reader.overrun()) return false;
    const int value = alphabet.decode(reader);
    if (value < 0) return false;
    if (static_cast<unsigned>(value) < upper) {
      widths[filled++] = static_cast<uint8_t>(value);
    } else {
      const size_t zeros = std::min<size_t>(reader.read(4) + 4, count - filled);
      filled += zeros;  // widths are zero already
    }
  }
  if (upper > 0) {
    for (size_t i = 1; i < count; ++i)
      widths[i] = static_cast<uint8_t>((widths[i] + widths[i - 1]) % upper);
  }
  for (size_t i = 0; i < count; ++i) {
    if (widths[i] != 0) widths[i] = static_cast<uint8_t>(widths[i] + lower);
  }
  return !reader.overrun() && build(widths.data(), count, maxWidth);
}

}  // namespace unace
