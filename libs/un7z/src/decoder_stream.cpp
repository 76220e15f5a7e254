#include "decoder_stream.h"

#include <algorithm>
#include <cstring>

#include "un7z.h"

namespace un7z {
namespace {

constexpr size_t kInputBuffer = 256 * 1024;

}  // namespace

DecoderStream::DecoderStream(std::unique_ptr<ByteStream> source, uint64_t outSize)
    : source_(std::move(source)), input_(kInputBuffer), remaining_(outSize) {}

bool DecoderStream::refill() {
  std::memmove(input_.data(), input_.data() + inputStart_, inputEnd_ - inputStart_);
  inputEnd_ -= inputStart_;
  inputStart_ = 0;
  const size_t got = source_->read(input_.data() + inputEnd_, input_.size() - inputEnd_);
  if (got == 0 && source_->status() != 0) return false;
  inputEnded_ = got == 0;
  inputEnd_ += got;
  return true;
}

size_t DecoderStream::read(uint8_t* out, size_t size) {
  size = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
  if (size == 0 || status() != 0) return 0;
  for (;;) {
    if (ended_) return fail(UN7Z_BAD_DATA);  // the coder's stream ended before its size
    if (inputStart_ == inputEnd_ && !inputEnded_ && !refill()) return fail(source_->status());
    size_t consumed = 0, produced = 0;
    const Step step = decode(input_.data() + inputStart_, inputEnd_ - inputStart_, inputEnded_,
                             consumed, out, size, produced);
    inputStart_ += consumed;
    switch (step) {
      case Step::bad_data:
        return fail(UN7Z_BAD_DATA);
      case Step::no_memory:
        return fail(UN7Z_NO_MEMORY);
      case Step::unsupported:
        return fail(UN7Z_UNSUPPORTED);
      case Step::end:
        ended_ = true;
        break;
      case Step::more:
        break;
    }
    if (produced > 0) {
      remaining_ -= produced;
      return produced;
    }
    if (consumed == 0 && step == Step::more) {
      // A coder that takes nothing from a full buffer will never go on.
      if (inputEnded_ || inputEnd_ - inputStart_ == input_.size()) return fail(UN7Z_BAD_DATA);
      if (!refill()) return fail(source_->status());
    }
  }
}

}  // namespace un7z
