// MSB-first bit reader over an entry's packed data, buffered so that the decoder
// can look 16 bits ahead without touching PackedInput for every symbol. Bits past
// the end read as zero and mark the stream as overrun.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rar_decoder.h"

namespace unrar {

class Rar29BitInput {
 public:
  Rar29BitInput();

  // Starts reading a new entry's packed data from its first byte.
  void reset(PackedInput& input);

  uint32_t peek16() {
    if (filled_ - pos_ < kLookahead && !at_end_) refill();
    const uint32_t bits =
        (uint32_t{buffer_[pos_]} << 16) | (uint32_t{buffer_[pos_ + 1]} << 8) | buffer_[pos_ + 2];
    return (bits >> (8 - bit_)) & 0xFFFF;
  }

  void skip(unsigned bits) {
    bit_ += bits;
    pos_ += bit_ >> 3;
    bit_ &= 7;
    if (pos_ > filled_ || (pos_ == filled_ && bit_ != 0)) {
      // Only reached at the end of the data: peek16 refills before every skip.
      overrun_ = true;
      pos_ = filled_;
      bit_ = 0;
    }
  }

  // n <= 16 bits as a number, first bit highest.
  uint32_t get(unsigned n) {
    const uint32_t value = peek16() >> (16 - n);
    skip(n);
    return value;
  }

  void align_to_byte() {
    if (bit_ != 0) skip(8 - bit_);
  }

  // The next whole byte (the reader must be byte-aligned); -1 past the end.
  int next_byte();

  // At least count bytes of data remain, counting the one being read.
  bool bytes_left(size_t count);

  // Bits were needed beyond the end of the data.
  bool overrun() const { return overrun_; }
  bool input_failed() const { return input_ != nullptr && input_->failed(); }

 private:
  static constexpr size_t kLookahead = 4;
  void refill();

  PackedInput* input_ = nullptr;
  std::vector<uint8_t> buffer_;
  size_t filled_ = 0;
  size_t pos_ = 0;
  unsigned bit_ = 0;
  bool at_end_ = false;
  bool overrun_ = false;
};

}  // namespace unrar
