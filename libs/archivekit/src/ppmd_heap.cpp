#include "ppmd_heap.h"

#include <array>
#include <cstring>
#include <new>

namespace archivekit {
namespace {

constexpr std::array<uint8_t, kPpmdIndexCount> kIndexToUnits = {
    1,  2,  3,  4,  6,  8,  10, 12, 15, 18, 21, 24,  28,  32,  36,  40,  44,  48,  52,
    56, 60, 64, 68, 72, 76, 80, 84, 88, 92, 96, 100, 104, 108, 112, 116, 120, 124, 128};

constexpr std::array<uint8_t, 129> make_units_to_index() {
  std::array<uint8_t, 129> table{};
  int index = 0;
  for (int units = 1; units <= 128; ++units) {
    if (kIndexToUnits[index] < units) ++index;
    table[units] = static_cast<uint8_t>(index);
  }
  return table;
}
constexpr std::array<uint8_t, 129> kUnitsToIndex = make_units_to_index();

int units_to_index(uint32_t units) {
  return kUnitsToIndex[units <= 128 ? units : 128];
}
uint32_t index_to_bytes(int index) {
  return kPpmdUnitSize * kIndexToUnits[index];
}

// A free block starts with this stamp while gluing; a context starts with its
// state count (1-256) and a state array with a symbol and a frequency of at
// least 1 that never reaches 255, so neither can carry it.
constexpr uint16_t kFreeStamp = 0xFFFF;
constexpr HeapOffset kStampAt = 0;
constexpr HeapOffset kUnitsAt = 2;
constexpr HeapOffset kNextAt = 4;
constexpr HeapOffset kPrevAt = 8;

// Both guard units stay zero: a block that reads past the model's end sees "not free".
constexpr size_t kGuardBytes = 2 * kPpmdUnitSize;

}  // namespace

bool PpmdHeap::allocate(size_t modelBytes) {
  if (bytes_ && modelBytes == modelBytes_) return true;
  bytes_.reset();
  modelBytes_ = 0;
  totalBytes_ = 0;
  const size_t total = 1 + modelBytes + kGuardBytes;
  bytes_.reset(new (std::nothrow) uint8_t[total]);
  if (!bytes_) return false;
  std::memset(bytes_.get(), 0, total);
  modelBytes_ = modelBytes;
  totalBytes_ = total;
  fault_ = false;
  return true;
}

void PpmdAllocator::reset() {
  for (HeapOffset& head : freeLists_) head = 0;
  const uint32_t size = static_cast<uint32_t>(heap_.model_bytes());
  const uint32_t unitsBytes = kPpmdUnitSize * 7 * (size / 8 / kPpmdUnitSize);
  text_ = heap_.start();
  unitsStart_ = heap_.start() + (size - unitsBytes);
  lo_ = unitsStart_;
  hi_ = heap_.end();
  glueCount_ = 0;
}

void PpmdAllocator::push(HeapOffset block, int index) {
  heap_.set_u32(block + kNextAt, freeLists_[index]);
  freeLists_[index] = block;
}

HeapOffset PpmdAllocator::pop(int index) {
  const HeapOffset block = freeLists_[index];
  if (block != 0) freeLists_[index] = heap_.u32(block + kNextAt);
  return block;
}

HeapOffset PpmdAllocator::alloc_context() {
  if (hi_ != lo_) {
    hi_ -= kPpmdUnitSize;
    return hi_;
  }
  if (freeLists_[0] != 0) return pop(0);
  return alloc_rare(0);
}

HeapOffset PpmdAllocator::alloc_units(uint32_t units) {
  const int index = units_to_index(units);
  if (freeLists_[index] != 0) return pop(index);
  const uint32_t bytes = index_to_bytes(index);
  if (hi_ - lo_ >= bytes) {
    const HeapOffset block = lo_;
    lo_ += bytes;
    return block;
  }
  return alloc_rare(index);
}

HeapOffset PpmdAllocator::alloc_rare(int index) {
  if (glueCount_ == 0) {
    glueCount_ = 255;
    glue();
    if (freeLists_[index] != 0) return pop(index);
  }
  for (int larger = index + 1; larger < kPpmdIndexCount; ++larger) {
    if (freeLists_[larger] != 0) {
      const HeapOffset block = pop(larger);
      split(block, larger, index);
      return block;
    }
  }
  --glueCount_;
  // The last resort takes units from the top of the text area.
  const uint32_t bytes = index_to_bytes(index);
  if (unitsStart_ > text_ && unitsStart_ - text_ > bytes) {
    unitsStart_ -= bytes;
    return unitsStart_;
  }
  return 0;
}

void PpmdAllocator::split(HeapOffset block, int oldIndex, int newIndex) {
  uint32_t rest = kIndexToUnits[oldIndex] - kIndexToUnits[newIndex];
  HeapOffset tail = block + index_to_bytes(newIndex);
  int index = units_to_index(rest);
  if (kIndexToUnits[index] != rest) {
    --index;
    push(tail, index);
    tail += index_to_bytes(index);
    rest -= kIndexToUnits[index];
  }
  push(tail, units_to_index(rest));
}

HeapOffset PpmdAllocator::expand_units(HeapOffset block, uint32_t units) {
  const int oldIndex = units_to_index(units);
  if (oldIndex == units_to_index(units + 1)) return block;
  const HeapOffset grown = alloc_units(units + 1);
  if (grown != 0) {
    heap_.copy(grown, block, units * kPpmdUnitSize);
    push(block, oldIndex);
  }
  return grown;
}

HeapOffset PpmdAllocator::shrink_units(HeapOffset block, uint32_t units, uint32_t newUnits) {
  const int oldIndex = units_to_index(units);
  const int newIndex = units_to_index(newUnits);
  if (oldIndex == newIndex) return block;
  if (freeLists_[newIndex] != 0) {
    const HeapOffset smaller = pop(newIndex);
    heap_.copy(smaller, block, newUnits * kPpmdUnitSize);
    push(block, oldIndex);
    return smaller;
  }
  split(block, oldIndex, newIndex);
  return block;
}

void PpmdAllocator::free_units(HeapOffset block, uint32_t units) {
  push(block, units_to_index(units));
}

void PpmdAllocator::glue() {
  // Every list walk is bounded by the number of units, so a damaged list ends
  // in a fault instead of a loop.
  const uint32_t maxBlocks = static_cast<uint32_t>(heap_.model_bytes() / kPpmdUnitSize) + 1;
  if (lo_ != hi_) heap_.set_u16(lo_ + kStampAt, 0);

  // The work list is doubly linked so that a block merged into its neighbour
  // below leaves it at once, keeping the others in the encoder's order.
  HeapOffset work = 0;
  uint32_t blocks = 0;
  for (int index = 0; index < kPpmdIndexCount; ++index) {
    while (freeLists_[index] != 0) {
      if (++blocks > maxBlocks) return;
      const HeapOffset block = pop(index);
      heap_.set_u32(block + kNextAt, work);
      heap_.set_u32(block + kPrevAt, 0);
      if (work != 0) heap_.set_u32(work + kPrevAt, block);
      heap_.set_u16(block + kStampAt, kFreeStamp);
      heap_.set_u16(block + kUnitsAt, kIndexToUnits[index]);
      work = block;
    }
  }

  for (HeapOffset block = work; block != 0 && !heap_.fault(); block = heap_.u32(block + kNextAt)) {
    uint32_t units = heap_.u16(block + kUnitsAt);
    for (;;) {
      const HeapOffset next = block + units * kPpmdUnitSize;
      if (heap_.u16(next + kStampAt) != kFreeStamp) break;
      const uint32_t nextUnits = heap_.u16(next + kUnitsAt);
      if (nextUnits == 0 || units + nextUnits >= 0x10000) break;
      const HeapOffset before = heap_.u32(next + kPrevAt);
      const HeapOffset after = heap_.u32(next + kNextAt);
      if (before != 0) {
        heap_.set_u32(before + kNextAt, after);
      } else {
        work = after;
      }
      if (after != 0) heap_.set_u32(after + kPrevAt, before);
      units += nextUnits;
      heap_.set_u16(block + kUnitsAt, static_cast<uint16_t>(units));
    }
  }

  HeapOffset block = work;
  while (block != 0 && !heap_.fault()) {
    const HeapOffset following = heap_.u32(block + kNextAt);
    uint32_t units = heap_.u16(block + kUnitsAt);
    if (units == 0) return;
    while (units > 128) {
      push(block, kPpmdIndexCount - 1);
      block += 128 * kPpmdUnitSize;
      units -= 128;
    }
    int index = units_to_index(units);
    if (kIndexToUnits[index] != units) {
      --index;
      const uint32_t rest = units - kIndexToUnits[index];
      push(block + kIndexToUnits[index] * kPpmdUnitSize, static_cast<int>(rest) - 1);
    }
    push(block, index);
    block = following;
  }
}

}  // namespace archivekit
