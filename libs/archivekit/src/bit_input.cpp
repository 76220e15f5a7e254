#include "archivekit/bit_input.h"

#include <algorithm>
#include <cstring>

namespace archivekit {
namespace {

constexpr std::size_t kInputChunk = 64 * 1024;

uint32_t read_le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t read_le64(const unsigned char* p) {
  return static_cast<uint64_t>(read_le32(p)) | (static_cast<uint64_t>(read_le32(p + 4)) << 32);
}

}  // namespace

BitInput::BitInput(std::unique_ptr<PackedInput> raw) : raw_(std::move(raw)), buffer_(kInputChunk) {}

bool BitInput::pull() {
  if (ended_) return false;
  const std::size_t count = raw_->read(buffer_.data(), buffer_.size());
  pos_ = 0;
  size_ = count;
  ended_ = count == 0;
  return !ended_;
}

bool BitInput::refill(unsigned count) {
  // Eight bytes at once while the buffer holds them; the byte count taken keeps
  // the reserve at 56 to 63 bits.
  if (size_ - pos_ >= 8) {
    bits_ |= read_le64(buffer_.data() + pos_) << available_;
    pos_ += (63 - available_) / 8;
    available_ |= 56;
    return true;
  }
  while (available_ < kMaxFill) {
    if (pos_ == size_ && !pull()) break;
    bits_ |= uint64_t{buffer_[pos_++]} << available_;
    available_ += 8;
  }
  return available_ >= count;
}

std::size_t BitInput::read_bytes(unsigned char* out, std::size_t count) {
  std::size_t done = 0;
  while (done < count && available_ >= 8) {
    out[done++] = static_cast<unsigned char>(bits_);
    drop(8);
  }
  if (done == count) return done;
  // The reserve is empty; what lies above it belongs to bytes taken below.
  bits_ = 0;
  while (done < count) {
    if (pos_ == size_ && !pull()) break;
    const std::size_t take = std::min(count - done, size_ - pos_);
    std::memcpy(out + done, buffer_.data() + pos_, take);
    pos_ += take;
    done += take;
  }
  return done;
}

bool BitInput::drain() {
  pos_ = size_;
  while (pull()) pos_ = size_;
  return !raw_->failed();
}

}  // namespace archivekit
