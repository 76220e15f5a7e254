// Reduce (methods 2-5): bytes drawn from per-byte follower sets, then expanded by
// an LZ77 layer in which 0x90 escapes a match. Factor 1-4 sets how the match's
// first byte splits into length and distance bits. Decoding stops at the entry's
// size.
#include <algorithm>
#include <array>

#include "zip_decoders.h"
#include "zip_window_stream.h"

namespace unzip {
namespace {

constexpr unsigned kMaxFollowers = 32;
constexpr unsigned char kEscape = 0x90;
constexpr std::size_t kHistory = 4096;
constexpr unsigned kMinMatch = 3;
constexpr std::size_t kLongestMatch = 0x7F + 255 + kMinMatch;

// Bits of a follower index for a set of n members.
unsigned index_bits(unsigned n) {
  unsigned bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

class ReduceDecoder final : public archivekit::WindowDecoder {
 public:
  ReduceDecoder(std::unique_ptr<archivekit::PackedInput> raw, unsigned factor, uint64_t size)
      : WindowDecoder(std::move(raw), kHistory, kLongestMatch),
        factor_(factor),
        length_mask_(0xFFu >> factor),
        size_(size) {}

 private:
  enum class State { Literal, Escaped, LongLength, Distance };

  Step decode(std::size_t limit) override {
    if (!sets_read_) {
      if (!read_follower_sets()) return Step::Truncated;
      if (!sets_valid_) return Step::Invalid;
      sets_read_ = true;
    }
    while (pos_ < limit) {
      if (total_out() == size_) return Step::End;
      unsigned char c;
      const Step step = next_byte(c);
      if (step != Step::More) return step;
      expand(c);
    }
    return Step::More;
  }

  // False when the input ends; sets_valid_ tells whether the sizes made sense.
  bool read_follower_sets() {
    for (int value = 255; value >= 0; --value) {
      uint32_t count;
      if (!in_.read(6, count)) return false;
      if (count > kMaxFollowers) return true;
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t byte;
        if (!in_.read(8, byte)) return false;
        followers_[value][i] = static_cast<unsigned char>(byte);
      }
      follower_count_[value] = count;
    }
    sets_valid_ = true;
    return true;
  }

  Step next_byte(unsigned char& c) {
    const unsigned count = follower_count_[last_];
    uint32_t value;
    bool literal = count == 0;
    if (!literal) {
      if (!in_.read(1, value)) return Step::Truncated;
      literal = value == 1;
    }
    if (literal) {
      if (!in_.read(8, value)) return Step::Truncated;
    } else {
      if (!in_.read(index_bits(count), value)) return Step::Truncated;
      if (value >= count) return Step::Invalid;
      value = followers_[last_][value];
    }
    c = static_cast<unsigned char>(value);
    last_ = c;
    return Step::More;
  }

  void expand(unsigned char c) {
    switch (state_) {
      case State::Literal:
        if (c == kEscape) {
          state_ = State::Escaped;
        } else {
          put(c);
        }
        break;
      case State::Escaped:
        if (c == 0) {
          put(kEscape);
          state_ = State::Literal;
        } else {
          first_ = c;
          length_ = c & length_mask_;
          state_ = length_ == length_mask_ ? State::LongLength : State::Distance;
        }
        break;
      case State::LongLength:
        length_ += c;
        state_ = State::Distance;
        break;
      case State::Distance:
        copy((static_cast<std::size_t>(first_ >> (8 - factor_)) << 8) + c + 1, length_ + kMinMatch);
        state_ = State::Literal;
        break;
    }
  }

  void put(unsigned char c) { out_[pos_++] = c; }

  // From before the first byte the history gives zeros, as the format wants.
  void copy(std::size_t distance, std::size_t length) {
    const uint64_t room = size_ - total_out();
    if (length > room) length = static_cast<std::size_t>(room);
    const unsigned char* from = out_ + pos_ - distance;
    for (std::size_t i = 0; i < length; ++i) out_[pos_ + i] = from[i];
    pos_ += length;
  }

  unsigned factor_;
  unsigned length_mask_;
  uint64_t size_;
  bool sets_read_ = false;
  bool sets_valid_ = false;
  std::array<std::array<unsigned char, kMaxFollowers>, 256> followers_{};
  std::array<unsigned, 256> follower_count_{};
  unsigned char last_ = 0;
  State state_ = State::Literal;
  unsigned char first_ = 0;
  unsigned length_ = 0;
};

}  // namespace

std::unique_ptr<ByteStream> make_reduce_decoder(std::unique_ptr<ByteStream> raw, unsigned factor,
                                                uint64_t uncompressed_size) {
  return make_window_stream(std::move(raw), [&](std::unique_ptr<archivekit::PackedInput> input) {
    return std::make_unique<ReduceDecoder>(std::move(input), factor, uncompressed_size);
  });
}

}  // namespace unzip
