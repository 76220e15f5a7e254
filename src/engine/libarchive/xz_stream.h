// An xz file decoded by us rather than by libarchive's filter. The blocks of a file
// made on several cores (xz -T), whose headers record their sizes, are decoded on
// worker threads, several at once within a memory budget; a block that records no
// sizes (a file made on one thread is one such block) is decoded here, in its turn.
// Every block's padding and check and every stream's index and footer are verified,
// and streams that follow one another are joined as xz -d joins them.
#pragma once

#include <lzma.h>
#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "archivekit/worker_pool.h"
#include "engine/libarchive/gzip_stream.h"
#include "engine/libarchive/xz_block.h"

namespace tessaly {

class XzStream {
 public:
  // threads: 0 for one per core, 1 to decode every block here.
  XzStream(ByteInput input, int threads);
  ~XzStream();
  XzStream(const XzStream&) = delete;
  XzStream& operator=(const XzStream&) = delete;

  // As GzipStream::Read: -1 when the data is damaged or the decoder cannot start.
  ssize_t Read(const void** block);
  uint64_t bytes_read() const { return input_.bytes_read(); }

 private:
  enum class Next { stream_header, block_or_index, stream_padding, end };
  struct Ahead {
    uint64_t cost = 0;
    std::unique_ptr<archivekit::WorkerPool::AheadStream> stream;
  };

  // Parses on until a block is due, handing blocks to the workers while the budget
  // allows; stops at a block that must be decoded here.
  void TopUp();
  // Reads up to the next block header and opens it into next_; false at the end of
  // the file or at damage (damaged_).
  bool ParseToBlock();
  bool ParseStreamHeader();
  bool ParseIndexAndFooter();
  bool SkipStreamPadding();
  std::optional<uint64_t> AheadCost(const XzBlock& block) const;
  void StartAhead(uint64_t cost);
  ssize_t ReadHere(const void** block);

  // At least count bytes in the buffer, reading behind what it holds; false when the
  // file ends (or fails) first.
  bool Fill(size_t count);
  const uint8_t* held() const { return buffer_.data() + start_; }
  size_t held_size() const { return end_ - start_; }
  void Consume(size_t count) { start_ += count; }
  // Up to size bytes of the file: how many; at its end or failure (damaged_) it has ended.
  size_t ReadInput(uint8_t* to, size_t size);
  bool Fail();

  ByteInput input_;
  std::vector<uint8_t> buffer_;
  size_t start_ = 0, end_ = 0;  // the bytes read and not yet used
  bool inputEnded_ = false;

  Next next_ = Next::stream_header;
  lzma_stream_flags flags_{};
  lzma_index_hash* index_ = nullptr;
  std::unique_ptr<XzBlock> nextBlock_;  // opened, waiting for room among the workers
  std::unique_ptr<XzBlock> here_;       // decoded on this thread, after those ahead

  std::unique_ptr<archivekit::WorkerPool> workers_;
  std::deque<Ahead> ahead_;
  uint64_t aheadCost_ = 0;
  std::vector<uint8_t> out_;
  bool damaged_ = false;
};

}  // namespace tessaly
