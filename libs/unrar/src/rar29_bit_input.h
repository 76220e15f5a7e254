// MSB-first bit reader over an entry's packed data. The next bits wait in a 64-bit
// reservoir filled up to 8 bytes at a time from a buffer, so that looking 16 bits
// ahead costs a shift. Bits past the end read as zero and mark the stream as overrun.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "rar_decoder.h"

namespace unrar {

class Rar29BitInput {
 public:
  Rar29BitInput();

  // Starts reading a new entry's packed data from its first byte.
  void reset(PackedInput& input);

  uint32_t peek16() {
    if (count_ < 16) refill();
    return static_cast<uint32_t>(reservoir_ >> 48);
  }

  void skip(unsigned bits) {
    if (bits > count_) {
      skip_slowly(bits);
      return;
    }
    reservoir_ <<= bits;
    count_ -= bits;
  }

  // n <= 16 bits as a number, first bit highest.
  uint32_t get(unsigned n) {
    const uint32_t value = peek16() >> (16 - n);
    skip(n);
    return value;
  }

  // The reservoir always ends on a byte boundary of the data.
  void align_to_byte() { skip(count_ & 7); }

  // The next whole byte (the reader must be byte-aligned); -1 past the end.
  int next_byte() {
    if (count_ < 8) refill();
    if (count_ < 8) return -1;
    const int byte = static_cast<int>(reservoir_ >> 56);
    reservoir_ <<= 8;
    count_ -= 8;
    return byte;
  }

  // At least count bytes of data remain, counting the one being read.
  bool bytes_left(size_t count);

  // The next bits as a value, for a loop that keeps them in registers (the stores
  // of its output could otherwise alias the members): take them, use them while
  // count lasts, refill through refilled(), and hand them back before any other call.
  struct Reservoir {
    uint64_t bits;
    unsigned count;
  };
  Reservoir reservoir() const { return {reservoir_, count_}; }
  void set_reservoir(Reservoir reservoir) {
    reservoir_ = reservoir.bits;
    count_ = reservoir.count;
  }
  Reservoir refilled(Reservoir reservoir) {
    set_reservoir(reservoir);
    refill();
    return this->reservoir();
  }

  // Bits were needed beyond the end of the data.
  bool overrun() const { return overrun_; }
  bool input_failed() const { return input_ != nullptr && input_->failed(); }

 private:
  // Tops the reservoir up to at least 57 bits while the data lasts.
  void refill();
  void skip_slowly(unsigned bits);
  void fill_buffer();
  size_t buffered() const { return filled_ - pos_; }

  PackedInput* input_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t filled_ = 0;
  size_t pos_ = 0;
  // The next count_ bits of the data, highest first. Below them the reservoir may
  // already hold the bits of buffer_[pos_...] (a refill ORs the same bits again),
  // but never anything past the data: from there on it shifts in zeros.
  uint64_t reservoir_ = 0;
  unsigned count_ = 0;
  bool at_end_ = false;
  bool overrun_ = false;
};

}  // namespace unrar
