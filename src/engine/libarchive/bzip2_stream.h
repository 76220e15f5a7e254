// A bzip2 file decoded by us rather than by libarchive's filter, its blocks on every
// core. bzip2 records no block sizes: a block runs from its signature, found at any
// bit, to the next signature or the stream's end, and is decoded by libbz2 as a stream
// of its own on a worker. A signature can also turn up by chance inside a block: a
// block that fails before giving a byte is read again from its start, here, and tried
// to each signature after it in turn until it decodes, so the blocks give the same
// bytes and the same end as libbz2 decoding the file in turn (which one thread does).
// Streams follow one another as libarchive joins them; what trails the last is ignored.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "archivekit/worker_pool.h"
#include "engine/libarchive/gzip_stream.h"

namespace tessaly {

class Bzip2InTurn;

class Bzip2Stream {
 public:
  // makeInput gives the file from its start each time it is called; threads: 0 for one
  // per core, 1 to decode everything here.
  Bzip2Stream(std::function<ByteInput()> makeInput, int threads);
  ~Bzip2Stream();
  Bzip2Stream(const Bzip2Stream&) = delete;
  Bzip2Stream& operator=(const Bzip2Stream&) = delete;

  // As GzipStream::Read: -1 when the data is damaged.
  ssize_t Read(const void** block);
  uint64_t bytes_read() const;

 private:
  enum class Kind { stream_start, block, stream_end, damaged };
  struct Ahead {
    Kind kind = Kind::damaged;
    uint32_t crc = 0;       // block: its own; stream_end: the stream's
    uint64_t startBit = 0;  // block: its signature's place in the file
    uint64_t end = 0;       // block: the file's bytes it takes up to
    bool settled = false;   // block: it was tried here, or runs to the file's end
    uint64_t cost = 0;
    std::unique_ptr<archivekit::WorkerPool::AheadStream> stream = nullptr;
    uint64_t given = 0;
  };

  // Parses on, handing blocks to the workers, while the budget allows.
  void TopUp();
  // The next stream's header, its first signature or the end; false at the end.
  bool ParseStreamHeader();
  // The block or stream end at bit_.
  void ParseSignature();
  // The first signature at bit from or later, reading on as far as a block may run;
  // none at the file's end or past the longest block.
  std::optional<uint64_t> NextSignature(uint64_t from);
  void Push(Ahead ahead);
  // The end of the blocks: after those ahead, or at once.
  void Damaged();
  void DamagedHere();
  // Parses again from the block at that bit of the file, settling its end here.
  void SettleFrom(uint64_t fileBit);

  // At least count bytes held, reading as much as fits; false when the file ends (or
  // fails) first.
  bool Fill(size_t count);
  const uint8_t* held() const { return buffer_.data() + start_; }
  size_t held_size() const { return end_ - start_; }
  // Drops the whole bytes before bit_.
  void Compact();

  std::function<ByteInput()> makeInput_;
  std::unique_ptr<ByteInput> input_;
  std::vector<uint8_t> buffer_;
  size_t start_ = 0, end_ = 0;  // the bytes read and not yet used
  uint64_t heldOffset_ = 0;     // where held() is in the file
  uint64_t bit_ = 0;            // the parse, in bits from held()
  bool inputEnded_ = false;
  bool inputFailed_ = false;
  bool atHeader_ = true;
  bool settleNext_ = false;  // the next block is tried here before it goes ahead
  bool parsed_ = false;
  char level_ = '9';

  std::unique_ptr<archivekit::WorkerPool> workers_;
  std::deque<Ahead> ahead_;
  uint64_t aheadCost_ = 0;
  uint32_t streamCrc_ = 0;   // of the blocks given from the stream
  uint64_t inputGiven_ = 0;  // the file up to the block being given
  std::vector<uint8_t> out_;
  std::unique_ptr<Bzip2InTurn> inTurn_;
};

// The file begins as libarchive's bzip2 filter takes it: "BZh", the block size, and a
// block's or the end's signature.
bool StartsLikeBzip2(const void* data, size_t size);

}  // namespace tessaly
