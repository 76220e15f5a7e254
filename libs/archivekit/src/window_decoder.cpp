#include "archivekit/window_decoder.h"

#include <algorithm>
#include <cstring>

namespace archivekit {
namespace {

// Bytes decoded per decode() call: the progress callback runs every 256 KiB.
constexpr std::size_t kStepOutput = 128 * 1024;
// Room for copies that write whole words and run a few bytes past their end.
constexpr std::size_t kCopyOverrun = 16;

}  // namespace

WindowDecoder::WindowDecoder(std::unique_ptr<PackedInput> raw, std::size_t history,
                             std::size_t longest_step)
    : in_(std::move(raw)),
      window_(history + kStepOutput + longest_step + kCopyOverrun),
      history_(history),
      delivered_(history) {
  out_ = window_.data();
  pos_ = history;
}

size_t WindowDecoder::read(uint8_t* buffer, size_t size) {
  if (failure_ != Failure::none) return 0;
  while (delivered_ == pos_) {
    if (ended_ || size == 0) return 0;
    if (pos_ >= history_ + kStepOutput) slide();
    switch (decode(history_ + kStepOutput)) {
      case Step::More:
        break;
      case Step::End:
        ended_ = true;
        if (!in_.drain()) {
          failure_ = Failure::input;
          return 0;
        }
        break;
      case Step::Invalid:
        failure_ = Failure::damaged;
        return 0;
      case Step::Truncated:
        failure_ = cut_short();
        return 0;
    }
  }
  const std::size_t count = std::min(size, pos_ - delivered_);
  std::memcpy(buffer, out_ + delivered_, count);
  delivered_ += count;
  return count;
}

// Keeps only the history in front of the next byte.
void WindowDecoder::slide() {
  std::memmove(out_, out_ + pos_ - history_, history_);
  slid_ += pos_ - history_;
  pos_ = history_;
  delivered_ = history_;
}

}  // namespace archivekit
