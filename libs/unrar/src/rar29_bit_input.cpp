#include "rar29_bit_input.h"

#include <algorithm>
#include <cstring>

namespace unrar {
namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

Rar29BitInput::Rar29BitInput() : buffer_(kBufferSize + kLookahead, 0) {}

void Rar29BitInput::reset(PackedInput& input) {
  input_ = &input;
  filled_ = 0;
  pos_ = 0;
  bit_ = 0;
  at_end_ = false;
  overrun_ = false;
  std::fill(buffer_.begin(), buffer_.end(), 0);
}

void Rar29BitInput::refill() {
  const size_t kept = filled_ - pos_;
  std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
  filled_ = kept;
  pos_ = 0;
  while (filled_ < kBufferSize) {
    const size_t got = input_->read(buffer_.data() + filled_, kBufferSize - filled_);
    if (got == 0) {
      at_end_ = true;
      break;
    }
    filled_ += got;
  }
  // Zeros past the data stand in for the missing bits.
  std::fill(buffer_.begin() + filled_, buffer_.end(), 0);
}

int Rar29BitInput::next_byte() {
  if (filled_ - pos_ < 1 && !at_end_) refill();
  if (pos_ >= filled_) return -1;
  return buffer_[pos_++];
}

bool Rar29BitInput::bytes_left(size_t count) {
  if (filled_ - pos_ < count && !at_end_) refill();
  return filled_ - pos_ >= count;
}

}  // namespace unrar
