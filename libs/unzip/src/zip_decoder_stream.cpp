#include "zip_decoder_stream.h"

namespace unzip {
namespace {

constexpr std::size_t kInputChunk = 64 * 1024;
// The libraries count in unsigned int; keep every call well inside that.
constexpr std::size_t kLargestCall = std::size_t{1} << 30;

}  // namespace

DecoderStream::DecoderStream(std::unique_ptr<ByteStream> raw)
    : raw_(std::move(raw)), input_(kInputChunk) {}

long long DecoderStream::read(unsigned char* buffer, std::size_t size) {
  if (status_ != ReadStatus::Ok) return -1;
  if (ended_ || size == 0) return 0;
  for (;;) {
    if (input_pos_ == input_size_ && !input_ended_) {
      const long long count = raw_->read(input_.data(), input_.size());
      if (count < 0) {
        status_ = raw_->status();
        return -1;
      }
      input_pos_ = 0;
      input_size_ = static_cast<std::size_t>(count);
      input_ended_ = count == 0;
    }
    Buffers buffers{input_.data() + input_pos_, input_size_ - input_pos_, input_ended_, buffer,
                    std::min(size, kLargestCall)};
    const Step step = decode(buffers);
    input_pos_ += buffers.consumed;
    switch (step) {
      case Step::Invalid:
        status_ = ReadStatus::InvalidData;
        return -1;
      case Step::NoMemory:
        status_ = ReadStatus::NoMemory;
        return -1;
      case Step::End:
        ended_ = true;
        if (!drain_input()) return -1;
        return static_cast<long long>(buffers.produced);
      case Step::Progress:
        break;
    }
    if (buffers.produced > 0) return static_cast<long long>(buffers.produced);
    // Nothing came out although input was offered or has run out: the stream is
    // truncated or stuck, and asking again would loop for ever.
    if (buffers.consumed == 0 && (input_ended_ || input_pos_ < input_size_)) {
      status_ = ReadStatus::InvalidData;
      return -1;
    }
  }
}

// Reads what follows the end of the compressed stream, so that the stages below
// see their end too (the AES code sits after the last data byte).
bool DecoderStream::drain_input() {
  while (!input_ended_) {
    const long long count = raw_->read(input_.data(), input_.size());
    if (count < 0) {
      status_ = raw_->status();
      return false;
    }
    input_ended_ = count == 0;
  }
  return true;
}

}  // namespace unzip
