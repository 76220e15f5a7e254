// The self-ranking symbol lists of the RAR 1.5 algorithm. Each entry holds a
// symbol in its high byte and a use count in its low byte; a symbol taken from
// the list moves towards the front, to the first slot of its count's group, so
// frequent symbols get short position codes.
#pragma once

#include <array>
#include <cstdint>

namespace unrar {

class Rar15RankedList {
 public:
  // countLimit: the highest count an entry may reach before the whole list is
  // re-ranked (each list of the format has its own).
  explicit Rar15RankedList(uint8_t countLimit) : countLimit_(countLimit) {}

  // Entry i starts as symbol i, or as symbol (256 - i) mod 256 when reversed,
  // with count 0.
  void reset(bool reversed);
  // Counts by position: the first 32 entries get the highest count 7, the
  // last 32 count 0; the slots where each count's group starts follow.
  void rerank();
  // The symbol at position, moved to the front of its count's group.
  uint8_t take(uint8_t position);

 private:
  std::array<uint16_t, 256> entries_{};
  std::array<uint8_t, 256> groupStart_{};
  uint8_t countLimit_;
};

// The list of short-match distances: a distance used moves up one place.
class Rar15DistanceList {
 public:
  void reset();
  uint16_t take(uint8_t position);

 private:
  std::array<uint16_t, 256> distances_{};
};

}  // namespace unrar
