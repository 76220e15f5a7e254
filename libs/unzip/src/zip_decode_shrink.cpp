// Shrink (method 1): LZW with codes of 9 to 13 bits, grown and partly cleared by
// control codes. The stream has no end mark, so decoding stops at the entry's size.
#include <algorithm>
#include <array>

#include "zip_decoders.h"
#include "zip_window_stream.h"

namespace unzip {
namespace {

constexpr unsigned kFirstWidth = 9;
constexpr unsigned kLastWidth = 13;
constexpr unsigned kCodeCount = 1u << kLastWidth;
constexpr unsigned kControl = 256;
constexpr unsigned kFirstFree = 257;
constexpr unsigned kGrow = 1;
constexpr unsigned kPartialClear = 2;
// A string of the table is at most one byte per slot.
constexpr std::size_t kLongestString = kCodeCount;
constexpr int16_t kFreeSlot = -1;

class ShrinkDecoder final : public archivekit::WindowDecoder {
 public:
  ShrinkDecoder(std::unique_ptr<archivekit::PackedInput> raw, uint64_t size)
      : WindowDecoder(std::move(raw), 0, kLongestString), size_(size) {
    for (unsigned code = 0; code < kCodeCount; ++code) {
      parent_[code] = code < kControl ? static_cast<int16_t>(code) : kFreeSlot;
      last_byte_[code] = static_cast<unsigned char>(code);
    }
  }

 private:
  Step decode(std::size_t limit) override {
    while (pos_ < limit) {
      if (total_out() == size_) return Step::End;
      // Only padding may follow the last code, and the entry is not complete yet.
      if (!in_.fill(width_)) return Step::Truncated;
      const unsigned code = in_.peek(width_);
      in_.drop(width_);
      if (code == kControl) {
        const Step step = control();
        if (step != Step::More) return step;
        continue;
      }
      if (!started_) {
        if (code >= kControl) return Step::Invalid;
        started_ = true;
        prev_ = code;
        first_ = static_cast<unsigned char>(code);
        emit(&first_, 1);
        continue;
      }
      if (!expand(code)) return Step::Invalid;
    }
    return Step::More;
  }

  // The second code of a control pair.
  Step control() {
    if (!in_.fill(width_)) return Step::Truncated;
    const unsigned sub = in_.peek(width_);
    in_.drop(width_);
    if (sub == kGrow) {
      if (width_ == kLastWidth) return Step::Invalid;
      ++width_;
    } else if (sub == kPartialClear) {
      partial_clear();
    }
    // Other values are ignored, as the encoders' own decoders do.
    return Step::More;
  }

  // Frees every assigned slot that is no other slot's parent.
  void partial_clear() {
    std::array<bool, kCodeCount> is_parent{};
    for (unsigned code = kFirstFree; code < kCodeCount; ++code) {
      if (parent_[code] != kFreeSlot) is_parent[static_cast<unsigned>(parent_[code])] = true;
    }
    for (unsigned code = kFirstFree; code < kCodeCount; ++code) {
      if (!is_parent[code]) parent_[code] = kFreeSlot;
    }
    last_ = kControl;
  }

  bool expand(unsigned code) {
    unsigned next = last_ + 1;
    while (next < kCodeCount && parent_[next] != kFreeSlot) ++next;
    // The string, last byte first, into the end of the scratch buffer.
    std::size_t start = kLongestString;
    unsigned walk = code;
    bool substituted = false;
    while (walk >= kControl) {
      // A longer walk than the table has slots is a cycle: damage.
      if (start == 1) return false;
      if (parent_[walk] == kFreeSlot) {
        // KwKwK: the encoder used the slot it was about to fill, with the
        // previous string plus that string's first byte.
        if (walk != next || substituted) return false;
        substituted = true;
        scratch_[--start] = first_;
        walk = prev_;
        continue;
      }
      scratch_[--start] = last_byte_[walk];
      walk = static_cast<unsigned>(parent_[walk]);
    }
    scratch_[--start] = static_cast<unsigned char>(walk);
    first_ = scratch_[start];
    emit(scratch_.data() + start, kLongestString - start);
    // A full table takes no more strings until a partial clear frees some.
    if (next < kCodeCount) {
      parent_[next] = static_cast<int16_t>(prev_);
      last_byte_[next] = first_;
      last_ = next;
    }
    prev_ = code;
    return true;
  }

  // Writes bytes, never past the entry's size.
  void emit(const unsigned char* bytes, std::size_t count) {
    const uint64_t room = size_ - total_out();
    if (count > room) count = static_cast<std::size_t>(room);
    std::copy_n(bytes, count, out_ + pos_);
    pos_ += count;
  }

  uint64_t size_;
  unsigned width_ = kFirstWidth;
  bool started_ = false;
  unsigned prev_ = 0;
  unsigned char first_ = 0;
  unsigned last_ = kControl;  // the most recently assigned slot
  std::array<int16_t, kCodeCount> parent_;
  std::array<unsigned char, kCodeCount> last_byte_;
  std::array<unsigned char, kLongestString> scratch_;
};

}  // namespace

std::unique_ptr<ByteStream> make_shrink_decoder(std::unique_ptr<ByteStream> raw,
                                                uint64_t uncompressed_size) {
  return make_window_stream(std::move(raw), [&](std::unique_ptr<archivekit::PackedInput> input) {
    return std::make_unique<ShrinkDecoder>(std::move(input), uncompressed_size);
  });
}

}  // namespace unzip
