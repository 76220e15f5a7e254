// An xz file decoded by liblzma's threaded decoder rather than libarchive's filter:
// the blocks of a file made on several cores (xz -T) are decoded on every core; a
// file of one block, which records no block sizes, is decoded on one thread as
// before. Every block's check and the index are verified, and streams that follow one
// another are joined as xz -d joins them.
#pragma once

#include <lzma.h>
#include <sys/types.h>

#include <cstdint>
#include <vector>

#include "engine/libarchive/gzip_stream.h"

namespace tessaly {

class XzStream {
 public:
  // threads: 0 for one per core, 1 for liblzma's decoder without threads.
  XzStream(ByteInput input, int threads);
  ~XzStream();
  XzStream(const XzStream&) = delete;
  XzStream& operator=(const XzStream&) = delete;

  // As GzipStream::Read: -1 when the data is damaged or the decoder cannot start.
  ssize_t Read(const void** block);
  uint64_t bytes_read() const { return input_.bytes_read(); }

 private:
  ByteInput input_;
  lzma_stream stream_ = LZMA_STREAM_INIT;
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
  bool inputEnded_ = false;
  bool ended_ = false;
  bool damaged_ = false;
};

}  // namespace tessaly
