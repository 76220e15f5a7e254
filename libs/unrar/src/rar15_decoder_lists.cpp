#include "rar15_decoder_lists.h"

#include <utility>

namespace unrar {

void Rar15RankedList::reset(bool reversed) {
  for (unsigned i = 0; i < entries_.size(); ++i) {
    const unsigned symbol = reversed ? (256 - i) & 0xFF : i;
    entries_[i] = static_cast<uint16_t>(symbol << 8);
  }
  groupStart_.fill(0);
}

void Rar15RankedList::rerank() {
  for (unsigned i = 0; i < entries_.size(); ++i)
    entries_[i] = static_cast<uint16_t>((entries_[i] & 0xFF00) | (7 - i / 32));
  groupStart_.fill(0);
  for (unsigned count = 0; count < 7; ++count)
    groupStart_[count] = static_cast<uint8_t>((7 - count) * 32);
}

uint8_t Rar15RankedList::take(uint8_t position) {
  uint16_t entry = 0;
  uint8_t slot = 0;
  // A count past the limit re-ranks the list first; after that every count is
  // at most 7, so the second round always ends.
  for (;;) {
    entry = entries_[position];
    slot = groupStart_[entry & 0xFF]++;
    ++entry;
    const unsigned count = entry & 0xFF;
    if (count != 0 && count <= countLimit_) break;
    rerank();
  }
  entries_[position] = entries_[slot];
  entries_[slot] = entry;
  return static_cast<uint8_t>(entry >> 8);
}

void Rar15DistanceList::reset() {
  for (unsigned i = 0; i < distances_.size(); ++i) distances_[i] = static_cast<uint16_t>(i);
}

uint16_t Rar15DistanceList::take(uint8_t position) {
  const uint16_t distance = distances_[position];
  if (position > 0) std::swap(distances_[position], distances_[position - 1]);
  return distance;
}

}  // namespace unrar
