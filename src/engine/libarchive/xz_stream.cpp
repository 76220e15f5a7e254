#include "engine/libarchive/xz_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessaly {

namespace {

constexpr size_t kBufferSize = 256 * 1024;
// Blocks decoding ahead hold their input, their dictionary and up to kMostQueued of
// their output: within this, so the whole extraction stays under 150 MB. xz -6 makes
// blocks of 24 MiB with an 8 MiB dictionary, so two decode at once.
constexpr uint64_t kAheadMemory = 96ull << 20;
constexpr uint64_t kMostQueued = 32ull << 20;

constexpr int kDamaged = 1;

// The output a worker may hold for a block: queued in whole pieces, at least one.
size_t QueueLimit(uint64_t output) {
  return std::max<size_t>(std::min(output, kMostQueued), kBufferSize);
}

// A block's input, whole: decoded into pieces for the reader.
class BlockJob final : public archivekit::AheadJob {
 public:
  BlockJob(std::unique_ptr<XzBlock> block, std::vector<uint8_t> input)
      : block_(std::move(block)), input_(std::move(input)) {}

  int run(archivekit::UnpackedOutput& output) override {
    std::vector<uint8_t> piece(kBufferSize);
    size_t at = 0;
    for (;;) {
      size_t used = 0;
      size_t made = 0;
      const XzBlock::Result result = block_->Decode(input_.data() + at, input_.size() - at, true,
                                                    used, piece.data(), piece.size(), made);
      at += used;
      if (made > 0 && !output.write(piece.data(), made)) return kDamaged;
      if (result == XzBlock::Result::damaged) return kDamaged;
      if (result == XzBlock::Result::end) return at == input_.size() ? 0 : kDamaged;
    }
  }

 private:
  std::unique_ptr<XzBlock> block_;
  std::vector<uint8_t> input_;
};

}  // namespace

XzStream::XzStream(ByteInput input, int threads)
    : input_(std::move(input)),
      buffer_(kBufferSize),
      index_(lzma_index_hash_init(nullptr, nullptr)),
      out_(kBufferSize) {
  damaged_ = index_ == nullptr;
  const unsigned workers = archivekit::worker_count(threads);
  if (threads != 1 && workers > 1) workers_ = std::make_unique<archivekit::WorkerPool>(workers);
}

XzStream::~XzStream() {
  ahead_.clear();
  lzma_index_hash_end(index_, nullptr);
}

ssize_t XzStream::Read(const void** block) {
  for (;;) {
    TopUp();
    if (!ahead_.empty()) {
      Ahead& front = ahead_.front();
      const size_t got = front.stream->read(out_.data(), out_.size());
      if (got > 0) {
        *block = out_.data();
        return static_cast<ssize_t>(got);
      }
      if (front.stream->status() != 0) {
        Fail();
        ahead_.clear();
        return -1;
      }
      aheadCost_ -= front.cost;
      ahead_.pop_front();
      continue;
    }
    if (here_ == nullptr) return damaged_ ? -1 : 0;
    const ssize_t got = ReadHere(block);
    if (got != 0) return got;
  }
}

void XzStream::TopUp() {
  while (here_ == nullptr) {
    if (nextBlock_ == nullptr && !ParseToBlock()) return;
    const std::optional<uint64_t> cost = AheadCost(*nextBlock_);
    if (!cost) {
      if (ahead_.empty()) here_ = std::move(nextBlock_);
      return;
    }
    if (!ahead_.empty() && aheadCost_ + *cost > kAheadMemory) return;
    StartAhead(*cost);
  }
}

// What a worker would hold for the block: its input, its dictionary and its output
// queued. None when it is decoded here: no workers, sizes it does not record, or more
// memory than a block may take ahead (where here costs but the dictionary).
std::optional<uint64_t> XzStream::AheadCost(const XzBlock& block) const {
  const std::optional<uint64_t> input = block.recorded_rest();
  const std::optional<uint64_t> output = block.recorded_output();
  if (workers_ == nullptr || !input || !output) return std::nullopt;
  const uint64_t cost = *input + block.decoder_memory() + QueueLimit(*output);
  if (cost > kAheadMemory) return std::nullopt;
  return cost;
}

void XzStream::StartAhead(uint64_t cost) {
  if (lzma_index_hash_append(index_, nextBlock_->unpadded_size(),
                             nextBlock_->uncompressed_size()) != LZMA_OK) {
    Fail();
    return;
  }
  std::vector<uint8_t> input(*nextBlock_->recorded_rest());
  size_t have = std::min(held_size(), input.size());
  std::memcpy(input.data(), held(), have);
  Consume(have);
  while (have < input.size() && !inputEnded_)
    have += ReadInput(input.data() + have, input.size() - have);
  // A block cut short still gives what it holds, and fails where it breaks off.
  input.resize(have);
  const size_t queueLimit = QueueLimit(*nextBlock_->recorded_output());
  auto job = std::make_unique<BlockJob>(std::move(nextBlock_), std::move(input));
  ahead_.push_back({cost, workers_->run_ahead(std::move(job), queueLimit)});
  aheadCost_ += cost;
}

ssize_t XzStream::ReadHere(const void** block) {
  for (;;) {
    size_t used = 0;
    size_t made = 0;
    const XzBlock::Result result =
        here_->Decode(held(), held_size(), inputEnded_, used, out_.data(), out_.size(), made);
    Consume(used);
    if (result == XzBlock::Result::damaged) {
      // What it made before the damage goes out first, as from a worker.
      here_.reset();
      Fail();
      if (made == 0) return -1;
    } else if (result == XzBlock::Result::end) {
      if (lzma_index_hash_append(index_, here_->unpadded_size(), here_->uncompressed_size()) !=
          LZMA_OK) {
        Fail();
      }
      here_.reset();
    }
    if (made > 0) {
      *block = out_.data();
      return static_cast<ssize_t>(made);
    }
    if (here_ == nullptr) return 0;
    if (used == 0 && !Fill(held_size() + 1) && damaged_) {
      here_.reset();
      Fail();
      return -1;
    }
  }
}

bool XzStream::ParseToBlock() {
  for (;;) {
    switch (next_) {
      case Next::end:
        return false;
      case Next::stream_header:
        if (!ParseStreamHeader()) return false;
        break;
      case Next::stream_padding:
        if (!SkipStreamPadding()) return false;
        break;
      case Next::block_or_index: {
        if (!Fill(1)) return Fail();
        if (held()[0] == 0) {
          if (!ParseIndexAndFooter()) return false;
          break;
        }
        const size_t size = lzma_block_header_size_decode(held()[0]);
        if (!Fill(size)) return Fail();
        nextBlock_ = XzBlock::Open(held(), flags_.check);
        if (nextBlock_ == nullptr) return Fail();
        Consume(size);
        return true;
      }
    }
  }
}

bool XzStream::ParseStreamHeader() {
  // A check of a later xz than liblzma knows goes unchecked, as in liblzma's own decoder.
  if (!Fill(LZMA_STREAM_HEADER_SIZE) || lzma_stream_header_decode(&flags_, held()) != LZMA_OK) {
    return Fail();
  }
  Consume(LZMA_STREAM_HEADER_SIZE);
  // Each stream has an index of its own.
  if (lzma_index_hash_init(index_, nullptr) == nullptr) return Fail();
  next_ = Next::block_or_index;
  return true;
}

// The index must list every block as decoded (the blocks ahead as their headers record
// them, which their decoding holds them to), and the footer repeat the header's flags.
bool XzStream::ParseIndexAndFooter() {
  for (;;) {
    size_t position = 0;
    const lzma_ret decoded = lzma_index_hash_decode(index_, held(), &position, held_size());
    Consume(position);
    if (decoded == LZMA_STREAM_END) break;
    if (decoded != LZMA_OK || !Fill(held_size() + 1)) return Fail();
  }
  lzma_stream_flags footer{};
  if (!Fill(LZMA_STREAM_HEADER_SIZE) || lzma_stream_footer_decode(&footer, held()) != LZMA_OK ||
      lzma_stream_flags_compare(&flags_, &footer) != LZMA_OK ||
      footer.backward_size != lzma_index_hash_size(index_)) {
    return Fail();
  }
  Consume(LZMA_STREAM_HEADER_SIZE);
  next_ = Next::stream_padding;
  return true;
}

// Zeros in fours, then another stream or the end, as xz -d reads them.
bool XzStream::SkipStreamPadding() {
  uint64_t zeros = 0;
  while (Fill(1)) {
    const uint8_t* const first = held();
    const uint8_t* const nonZero =
        std::find_if(first, first + held_size(), [](uint8_t byte) { return byte != 0; });
    zeros += static_cast<size_t>(nonZero - first);
    Consume(static_cast<size_t>(nonZero - first));
    if (held_size() > 0) {
      if (zeros % 4 != 0) return Fail();
      next_ = Next::stream_header;
      return true;
    }
  }
  if (damaged_ || zeros % 4 != 0) return Fail();
  next_ = Next::end;
  return false;
}

bool XzStream::Fill(size_t count) {
  while (held_size() < count) {
    if (inputEnded_) return false;
    if (buffer_.size() - start_ < count) {
      std::memmove(buffer_.data(), held(), held_size());
      end_ -= start_;
      start_ = 0;
      buffer_.resize(std::max(buffer_.size(), count));
    }
    end_ += ReadInput(buffer_.data() + end_, buffer_.size() - end_);
  }
  return true;
}

size_t XzStream::ReadInput(uint8_t* to, size_t size) {
  const ssize_t got = input_.Read(to, size);
  if (got < 0) damaged_ = true;
  if (got <= 0) inputEnded_ = true;
  return static_cast<size_t>(std::max<ssize_t>(got, 0));
}

bool XzStream::Fail() {
  damaged_ = true;
  next_ = Next::end;
  nextBlock_.reset();
  return false;
}

}  // namespace tessaly
