// The PPMd model's memory: one heap addressed by offsets, a text area growing
// upward from its start and 12-byte units handed out from the rest. The model
// restarts when this allocator runs out, so it must run out exactly when the
// encoder's did: the free lists, the splitting and the gluing follow the
// encoder's allocator step by step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace archivekit {

// Offsets into the heap; 0 is "none" (the heap's first byte is never used).
using HeapOffset = uint32_t;

constexpr uint32_t kPpmdUnitSize = 12;
constexpr int kPpmdIndexCount = 38;

// Every read and write is bounds-checked: an offset outside the heap sets
// fault() and reads as 0, so damaged data can never reach memory beyond it.
class PpmdHeap {
 public:
  // False when the memory cannot be had; keeps the block when the size is the same.
  bool allocate(size_t modelBytes);
  size_t model_bytes() const { return modelBytes_; }

  bool fault() const { return fault_; }
  void clear_fault() { fault_ = false; }
  // For damage the model itself notices (a state or link that cannot be).
  void mark_damaged() { fault_ = true; }

  // Inline: the model reads and writes a field at a time, millions of times.
  uint8_t u8(HeapOffset at) { return in_bounds(at, 1) ? bytes_[at] : 0; }
  uint16_t u16(HeapOffset at) {
    if (!in_bounds(at, 2)) return 0;
    return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  uint32_t u32(HeapOffset at) {
    uint32_t value = 0;
    if (in_bounds(at, 4)) std::memcpy(&value, &bytes_[at], 4);
    return value;
  }
  void set_u8(HeapOffset at, uint8_t value) {
    if (in_bounds(at, 1)) bytes_[at] = value;
  }
  void set_u16(HeapOffset at, uint16_t value) {
    if (!in_bounds(at, 2)) return;
    bytes_[at] = static_cast<uint8_t>(value);
    bytes_[at + 1] = static_cast<uint8_t>(value >> 8);
  }
  void set_u32(HeapOffset at, uint32_t value) {
    if (in_bounds(at, 4)) std::memcpy(&bytes_[at], &value, 4);
  }
  void copy(HeapOffset to, HeapOffset from, uint32_t size) {
    if (in_bounds(to, size) && in_bounds(from, size)) {
      std::memmove(&bytes_[to], &bytes_[from], size);
    }
  }

  // The heap's first and one-past-last model bytes.
  HeapOffset start() const { return 1; }
  HeapOffset end() const { return 1 + static_cast<HeapOffset>(modelBytes_); }

 private:
  bool in_bounds(HeapOffset at, uint32_t size) {
    if (at != 0 && static_cast<size_t>(at) + size <= totalBytes_) return true;
    fault_ = true;
    return false;
  }

  std::unique_ptr<uint8_t[]> bytes_;
  size_t modelBytes_ = 0;
  size_t totalBytes_ = 0;
  bool fault_ = false;
};

class PpmdAllocator {
 public:
  explicit PpmdAllocator(PpmdHeap& heap) : heap_(heap) {}

  // Empties everything: text from the heap start, units above it.
  void reset();

  // All return 0 when memory has run out.
  HeapOffset alloc_context();
  HeapOffset alloc_units(uint32_t units);
  HeapOffset expand_units(HeapOffset block, uint32_t units);
  HeapOffset shrink_units(HeapOffset block, uint32_t units, uint32_t newUnits);
  void free_units(HeapOffset block, uint32_t units);

  // The text area: bytes of the input remembered for building contexts.
  HeapOffset text() const { return text_; }
  void set_text(HeapOffset text) { text_ = text; }
  HeapOffset units_start() const { return unitsStart_; }

 private:
  void push(HeapOffset block, int index);
  HeapOffset pop(int index);
  HeapOffset alloc_rare(int index);
  void split(HeapOffset block, int oldIndex, int newIndex);
  void glue();

  PpmdHeap& heap_;
  HeapOffset freeLists_[kPpmdIndexCount] = {};
  HeapOffset text_ = 0;
  HeapOffset unitsStart_ = 0;
  HeapOffset lo_ = 0;
  HeapOffset hi_ = 0;
  uint8_t glueCount_ = 0;
};

}  // namespace archivekit
