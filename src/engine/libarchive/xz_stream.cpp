#include "engine/libarchive/xz_stream.h"

#include <algorithm>
#include <thread>

namespace tessaly {

namespace {

constexpr size_t kBufferSize = 256 * 1024;
// Each thread holds a block in and out (24 MiB each for xz -6) besides its
// dictionary: above this the decoder waits for a thread or goes on with one, so the
// whole extraction stays under 150 MB.
constexpr uint64_t kThreadingMemory = 96ull << 20;

}  // namespace

XzStream::XzStream(ByteInput input, int threads)
    : input_(std::move(input)), in_(kBufferSize), out_(kBufferSize) {
  // As libarchive's filter: no memory limit, so any file xz itself decodes.
  if (threads == 1) {
    damaged_ = lzma_stream_decoder(&stream_, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK;
    return;
  }
  lzma_mt options{};
  options.flags = LZMA_CONCATENATED;
  options.threads = threads > 0 ? static_cast<uint32_t>(threads)
                                : std::max(1u, std::thread::hardware_concurrency());
  options.memlimit_threading = kThreadingMemory;
  options.memlimit_stop = UINT64_MAX;
  damaged_ = lzma_stream_decoder_mt(&stream_, &options) != LZMA_OK;
}

XzStream::~XzStream() {
  lzma_end(&stream_);
}

ssize_t XzStream::Read(const void** block) {
  while (!ended_ && !damaged_) {
    if (stream_.avail_in == 0 && !inputEnded_) {
      const ssize_t got = input_.Read(in_.data(), in_.size());
      if (got < 0) {
        damaged_ = true;
        break;
      }
      inputEnded_ = got == 0;
      stream_.next_in = in_.data();
      stream_.avail_in = static_cast<size_t>(got);
    }
    stream_.next_out = out_.data();
    stream_.avail_out = out_.size();
    // At the end of the input a stream that breaks off is an error (LZMA_BUF_ERROR).
    const lzma_ret coded = lzma_code(&stream_, inputEnded_ ? LZMA_FINISH : LZMA_RUN);
    if (coded == LZMA_STREAM_END) {
      ended_ = true;
    } else if (coded != LZMA_OK) {
      damaged_ = true;
    }
    const size_t produced = out_.size() - stream_.avail_out;
    if (produced > 0) {
      *block = out_.data();
      return static_cast<ssize_t>(produced);
    }
  }
  return damaged_ ? -1 : 0;
}

}  // namespace tessaly
