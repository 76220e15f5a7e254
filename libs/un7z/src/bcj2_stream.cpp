#include "bcj2_stream.h"

#include <array>
#include <vector>

#include "un7z.h"

namespace un7z {
namespace {

constexpr size_t kInputBuffer = 64 * 1024;
constexpr uint32_t kProbabilityBits = 11;
constexpr uint32_t kMoveBits = 5;
constexpr uint32_t kTopValue = 1u << 24;

// One input read a byte at a time.
class ByteSource {
 public:
  explicit ByteSource(std::unique_ptr<ByteStream> stream)
      : stream_(std::move(stream)), buffer_(kInputBuffer) {}
  // False at the end or on a failure (failure() then tells).
  bool next(uint8_t& byte) {
    if (pos_ == end_) {
      end_ = stream_->read(buffer_.data(), buffer_.size());
      pos_ = 0;
      if (end_ == 0) return false;
    }
    byte = buffer_[pos_++];
    return true;
  }
  int failure() const { return stream_->status() != 0 ? stream_->status() : UN7Z_BAD_DATA; }

 private:
  std::unique_ptr<ByteStream> stream_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0, end_ = 0;
};

class Bcj2Stream final : public ByteStream {
 public:
  Bcj2Stream(std::unique_ptr<ByteStream> main, std::unique_ptr<ByteStream> calls,
             std::unique_ptr<ByteStream> jumps, std::unique_ptr<ByteStream> rangeCoded,
             uint64_t outSize)
      : main_(std::move(main)),
        calls_(std::move(calls)),
        jumps_(std::move(jumps)),
        rangeCoded_(std::move(rangeCoded)),
        remaining_(outSize) {
    probabilities_.fill(1u << (kProbabilityBits - 1));
  }

  size_t read(uint8_t* out, size_t size) override {
    if (status() != 0) return 0;
    if (!started_ && !start()) return 0;
    size_t made = 0;
    while (made < size && remaining_ > 0) {
      if (pendingSize_ > 0) {
        out[made++] = static_cast<uint8_t>(pending_);
        pending_ >>= 8;
        --pendingSize_;
        --remaining_;
        continue;
      }
      uint8_t byte = 0;
      if (!main_.next(byte)) return fail(main_.failure());
      out[made++] = byte;
      --remaining_;
      ++position_;
      // A branch opcode as the very last byte has no bit coded for it.
      if (!is_branch(previous_, byte) || remaining_ == 0) {
        previous_ = byte;
        continue;
      }
      bool moved = false;
      uint16_t& probability = probabilities_[byte == 0xE8 ? previous_ : byte == 0xE9 ? 256 : 257];
      if (!decode_bit(probability, moved)) {
        return fail(rangeCoded_.failure());
      }
      if (!moved) {
        previous_ = byte;
        continue;
      }
      ByteSource& targets = byte == 0xE8 ? calls_ : jumps_;
      uint32_t target = 0;
      for (int i = 0; i < 4; ++i) {
        uint8_t part = 0;
        if (!targets.next(part)) return fail(targets.failure());
        target = (target << 8) | part;
      }
      pending_ = target - static_cast<uint32_t>(position_ + 4);
      pendingSize_ = 4;
      position_ += 4;
      previous_ = static_cast<uint8_t>(pending_ >> 24);
    }
    return made;
  }

 private:
  static bool is_branch(uint8_t previous, uint8_t byte) {
    return (byte & 0xFE) == 0xE8 || (previous == 0x0F && (byte & 0xF0) == 0x80);
  }

  bool start() {
    started_ = true;
    for (int i = 0; i < 5; ++i) {
      uint8_t byte = 0;
      if (!rangeCoded_.next(byte)) {
        fail(rangeCoded_.failure());
        return false;
      }
      code_ = (code_ << 8) | byte;
    }
    return true;
  }

  bool decode_bit(uint16_t& probability, bool& bit) {
    const uint32_t bound = (range_ >> kProbabilityBits) * probability;
    bit = code_ >= bound;
    if (!bit) {
      range_ = bound;
      probability += ((1u << kProbabilityBits) - probability) >> kMoveBits;
    } else {
      range_ -= bound;
      code_ -= bound;
      probability -= probability >> kMoveBits;
    }
    if (range_ < kTopValue) {
      uint8_t byte = 0;
      if (!rangeCoded_.next(byte)) return false;
      range_ <<= 8;
      code_ = (code_ << 8) | byte;
    }
    return true;
  }

  ByteSource main_, calls_, jumps_, rangeCoded_;
  uint64_t remaining_;
  uint64_t position_ = 0;  // output bytes so far, as the encoder counted them
  std::array<uint16_t, 258> probabilities_{};
  uint32_t range_ = 0xFFFFFFFF, code_ = 0;
  uint32_t pending_ = 0;  // restored target bytes still to hand out, lowest first
  int pendingSize_ = 0;
  uint8_t previous_ = 0;
  bool started_ = false;
};

}  // namespace

std::unique_ptr<ByteStream> make_bcj2_stream(std::unique_ptr<ByteStream> main,
                                             std::unique_ptr<ByteStream> calls,
                                             std::unique_ptr<ByteStream> jumps,
                                             std::unique_ptr<ByteStream> rangeCoded,
                                             uint64_t outSize) {
  return std::make_unique<Bcj2Stream>(std::move(main), std::move(calls), std::move(jumps),
                                      std::move(rangeCoded), outSize);
}

}  // namespace un7z
