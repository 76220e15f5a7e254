#include "rar29_bit_input.h"

#include <bit>
#include <cstring>

namespace unrar {
namespace {

constexpr size_t kBufferSize = 64 * 1024;

uint64_t load_big_endian64(const uint8_t* bytes) {
  uint64_t value;
  std::memcpy(&value, bytes, sizeof value);
  if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
  return value;
}

}  // namespace

Rar29BitInput::Rar29BitInput() : buffer_(std::make_unique_for_overwrite<uint8_t[]>(kBufferSize)) {}

void Rar29BitInput::reset(PackedInput& input) {
  input_ = &input;
  filled_ = 0;
  pos_ = 0;
  reservoir_ = 0;
  count_ = 0;
  at_end_ = false;
  overrun_ = false;
}

void Rar29BitInput::fill_buffer() {
  const size_t kept = buffered();
  std::memmove(buffer_.get(), buffer_.get() + pos_, kept);
  filled_ = kept;
  pos_ = 0;
  while (filled_ < kBufferSize) {
    const size_t got = input_->read(buffer_.get() + filled_, kBufferSize - filled_);
    if (got == 0) {
      at_end_ = true;
      break;
    }
    filled_ += got;
  }
}

void Rar29BitInput::refill() {
  if (buffered() < sizeof(uint64_t) && !at_end_) fill_buffer();
  if (buffered() >= sizeof(uint64_t)) {
    reservoir_ |= load_big_endian64(buffer_.get() + pos_) >> count_;
    pos_ += (63 - count_) >> 3;
    count_ |= 56;
    return;
  }
  for (; count_ <= 56 && pos_ < filled_; count_ += 8)
    reservoir_ |= uint64_t{buffer_[pos_++]} << (56 - count_);
}

void Rar29BitInput::skip_slowly(unsigned bits) {
  refill();
  if (bits <= count_) {
    reservoir_ <<= bits;
    count_ -= bits;
    return;
  }
  overrun_ = true;
  reservoir_ = 0;
  count_ = 0;
}

bool Rar29BitInput::bytes_left(size_t count) {
  const size_t inReservoir = (count_ + 7) / 8;
  if (inReservoir + buffered() < count && !at_end_) fill_buffer();
  return inReservoir + buffered() >= count;
}

}  // namespace unrar
