// LSB-first bit reader over packed input, shared by the window decoders (ZIP's
// shrink, reduce and implode, and deflate64). It pulls the input in large pieces
// and keeps up to 64 bits ready, so the hot loops test one counter per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archivekit/decoder_io.h"

namespace archivekit {

class BitInput {
 public:
  // The widest field fill() promises in one call.
  static constexpr unsigned kMaxFill = 56;

  explicit BitInput(std::unique_ptr<PackedInput> raw);

  // Makes at least count (<= kMaxFill) bits ready; false when the stream ends or
  // fails first (failure() then tells which). Bits past the end read as zeros.
  bool fill(unsigned count) { return available_ >= count || refill(count); }
  uint32_t peek(unsigned count) const {
    return static_cast<uint32_t>(bits_ & ((uint64_t{1} << count) - 1));
  }
  void drop(unsigned count) {
    bits_ >>= count;
    available_ -= count;
  }
  unsigned available() const { return available_; }
  // Reads a field of count (<= 32) bits; false when the stream ends first.
  bool read(unsigned count, uint32_t& value) {
    if (!fill(count)) return false;
    value = peek(count);
    drop(count);
    return true;
  }
  void align_to_byte() { drop(available_ % 8); }
  // Copies whole bytes after align_to_byte(); returns the count, short at the end.
  std::size_t read_bytes(unsigned char* out, std::size_t count);
  // Reads the input to its end, so that the stages below see it end too (ZIP's AES
  // code sits after the last data byte); false when that read fails.
  bool drain();
  // Why the input ran dry: true when the stage below failed, else the data was cut.
  bool raw_failed() const { return raw_->failed(); }

 private:
  bool refill(unsigned count);
  bool pull();

  std::unique_ptr<PackedInput> raw_;
  std::vector<unsigned char> buffer_;
  std::size_t pos_ = 0;
  std::size_t size_ = 0;
  bool ended_ = false;
  uint64_t bits_ = 0;
  unsigned available_ = 0;
};

}  // namespace archivekit
