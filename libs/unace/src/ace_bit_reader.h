// Reads an ACE packed stream: 32-bit little-endian words whose bits are taken from
// the most significant one down. Bits past the end read as zero; consuming them
// marks the stream as overrun, which the decoders report as damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ace_decoder.h"

namespace unace {

class AceBitReader {
 public:
  AceBitReader();

  // Starts on a new entry's packed data.
  void reset(PackedInput& input);

  // The next n bits (1..32) without consuming them, first bit highest.
  uint32_t peek(unsigned n) {
    if (count_ < 32) load_word();
    return static_cast<uint32_t>(bits_ >> (64 - n));
  }

  void skip(unsigned n) {
    if (count_ < 32) load_word();
    bits_ <<= n;
    count_ -= n;
    if (count_ < padding_) {
      overrun_ = true;
      padding_ = count_;
    }
  }

  // n bits (0..32) as a number.
  uint32_t read(unsigned n) {
    if (n == 0) return 0;
    const uint32_t value = peek(n);
    skip(n);
    return value;
  }

  // Bits were consumed beyond the end of the data.
  bool overrun() const { return overrun_; }
  bool input_failed() const { return input_ != nullptr && input_->failed(); }

 private:
  void load_word();
  void refill_buffer();

  PackedInput* input_ = nullptr;
  std::vector<uint8_t> buffer_;
  size_t position_ = 0;
  size_t filled_ = 0;
  bool at_end_ = false;
  // Left-aligned: the next bit is bit 63; count_ bits are valid, of which the
  // last padding_ lie past the end of the data.
  uint64_t bits_ = 0;
  unsigned count_ = 0;
  unsigned padding_ = 0;
  bool overrun_ = false;
};

}  // namespace unace
