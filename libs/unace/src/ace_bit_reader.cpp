#include "ace_bit_reader.h"

#include <cstring>

namespace unace {

namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

AceBitReader::AceBitReader() : buffer_(kBufferSize) {}

void AceBitReader::reset(PackedInput& input) {
  input_ = &input;
  position_ = 0;
  filled_ = 0;
  at_end_ = false;
  bits_ = 0;
  count_ = 0;
  padding_ = 0;
  overrun_ = false;
}

void AceBitReader::refill_buffer() {
  const size_t kept = filled_ - position_;
  std::memmove(buffer_.data(), buffer_.data() + position_, kept);
  position_ = 0;
  filled_ = kept;
  while (!at_end_ && filled_ < buffer_.size()) {
    const size_t got = input_->read(buffer_.data() + filled_, buffer_.size() - filled_);
    if (got == 0) at_end_ = true;
    filled_ += got;
  }
}

void AceBitReader::load_word() {
  if (filled_ - position_ < 4 && !at_end_) refill_buffer();
  uint32_t word = 0;
  const size_t available = filled_ - position_;
  const size_t real = available < 4 ? available : 4;
  for (size_t i = 0; i < real; ++i) word |= uint32_t{buffer_[position_ + i]} << (8 * i);
  position_ += real;
  bits_ |= uint64_t{word} << (32 - count_);
  count_ += 32;
  // A short last word counts as data (its missing bytes are its high bits); only
  // whole words after the end are padding.
  if (real == 0) padding_ += 32;
}

}  // namespace unace
