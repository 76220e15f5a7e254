#include "zip_window_stream.h"

#include <algorithm>
#include <cstring>

namespace unzip {
namespace {

// Bytes decoded per decode() call: the progress callback runs every 256 KiB.
constexpr std::size_t kStepOutput = 128 * 1024;
// Room for copies that write whole words and run a few bytes past their end.
constexpr std::size_t kCopyOverrun = 16;

}  // namespace

WindowDecoderStream::WindowDecoderStream(std::unique_ptr<ByteStream> raw, std::size_t history,
                                         std::size_t longest_step)
    : in_(std::move(raw)),
      window_(history + kStepOutput + longest_step + kCopyOverrun),
      history_(history),
      delivered_(history) {
  out_ = window_.data();
  pos_ = history;
}

long long WindowDecoderStream::read(unsigned char* buffer, std::size_t size) {
  if (status_ != ReadStatus::Ok) return -1;
  while (delivered_ == pos_) {
    if (ended_ || size == 0) return 0;
    if (pos_ >= history_ + kStepOutput) slide();
    switch (decode(history_ + kStepOutput)) {
      case Step::More:
        break;
      case Step::End:
        ended_ = true;
        if (!in_.drain()) {
          status_ = in_.failure();
          return -1;
        }
        break;
      case Step::Invalid:
        status_ = ReadStatus::InvalidData;
        return -1;
      case Step::Truncated:
        status_ = in_.failure();
        return -1;
    }
  }
  const std::size_t count = std::min(size, pos_ - delivered_);
  std::memcpy(buffer, out_ + delivered_, count);
  delivered_ += count;
  return static_cast<long long>(count);
}

// Keeps only the history in front of the next byte.
void WindowDecoderStream::slide() {
  std::memmove(out_, out_ + pos_ - history_, history_);
  slid_ += pos_ - history_;
  pos_ = history_;
  delivered_ = history_;
}

}  // namespace unzip
