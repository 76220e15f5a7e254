// ACE LZ77: the sliding dictionary every mode writes into, and the symbol decoder
// of ACE 1.0 streams (also the base of the ACE 2.0 LZ77, DELTA and EXE modes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ace_bit_reader.h"
#include "ace_huffman.h"

namespace unace {

// A circular buffer of the last bytes produced. It is never smaller than 1 MiB so
// that large pieces can be handed out while a match still has room behind them.
class AceWindow {
 public:
  static constexpr size_t kMinimumSize = size_t{1} << 20;

  // False when the memory cannot be had.
  bool allocate(unsigned dictionaryBits);
  size_t size() const { return mask_ + 1; }

  // A non-solid entry may not reach back into the bytes of earlier entries; it starts
  // at the window's start, so its output is cut where a fresh window would cut it.
  void forget_history() {
    history_ = 0;
    position_ = 0;
  }

  // Bytes produced by a mode that does not decode through LZ77.
  void append(const uint8_t* data, size_t length);

  // Calls visit(pointer, length) for `length` bytes that begin `back` bytes before
  // the end of what was produced (back <= size()), in one or two pieces; stops
  // early when visit returns false.
  template <typename Visit>
  bool visit_recent(size_t back, size_t length, Visit&& visit) const {
    const size_t start = (position_ - back) & mask_;
    const size_t first = length < size() - start ? length : size() - start;
    if (!visit(data_.get() + start, first)) return false;
    return first == length || visit(data_.get(), length - first);
  }

 private:
  friend class AceLz77;
  std::unique_ptr<uint8_t[]> data_;
  size_t mask_ = 0;
  size_t position_ = 0;
  uint64_t history_ = 0;  // bytes a match may reach back into
};

class AceLz77 {
 public:
  enum class Status { ok, mode_change, bad_data };

  explicit AceLz77(AceWindow& window) : window_(window) {}

  // Tables, the symbol count of the block and the recent distances start afresh.
  void start_entry();

  // Decodes until at least `wanted` bytes were produced (the last match may go
  // further, but never beyond `limit`, the bytes left in the entry) or a mode
  // change symbol was read (its parameters are the caller's). `produced` tells
  // how many bytes were added to the window either way.
  Status decode(AceBitReader& reader, size_t wanted, uint64_t limit, size_t& produced);

 private:
  bool read_tables(AceBitReader& reader);

  AceWindow& window_;
  AceHuffman main_;
  AceHuffman lengths_;
  uint32_t symbolsLeft_ = 0;
  uint32_t distances_[4] = {0, 0, 0, 0};
};

}  // namespace unace
