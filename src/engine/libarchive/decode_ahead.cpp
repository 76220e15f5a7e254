#include "engine/libarchive/decode_ahead.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tessaly {

namespace {

// 16 blocks of at most 256 KiB: enough to ride out a burst of small files.
constexpr size_t kQueuedBlocks = 16;

class AheadDecompressed final : public DecompressedStream {
 public:
  explicit AheadDecompressed(std::unique_ptr<DecompressedStream> inner)
      : inner_(std::move(inner)), compression_(inner_->compression()) {}

  ~AheadDecompressed() override {
    if (!decoder_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    decoder_.join();
  }

  ssize_t Read(const void** block) override {
    if (ended_) return endResult_;
    if (!decoder_.joinable()) decoder_ = std::thread([this] { Decode(); });
    std::unique_lock lock(mutex_);
    if (!current_.bytes.empty()) spare_.push_back(std::move(current_.bytes));
    changed_.wait(lock, [this] { return !ready_.empty(); });
    current_ = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
    bytesRead_ = current_.bytesRead;
    if (current_.result <= 0) {
      ended_ = true;
      endResult_ = current_.result;
    }
    *block = current_.bytes.data();
    return current_.result;
  }

  uint64_t bytes_read() const override { return bytesRead_; }
  std::string compression() const override { return compression_; }
  // Called before the first Read, while no thread decodes, or after it, when the
  // first member's header has been read.
  void Describe(struct archive_entry* entry) const override { inner_->Describe(entry); }

 private:
  struct Decoded {
    std::vector<uint8_t> bytes;
    ssize_t result = 0;  // as Read returns it
    uint64_t bytesRead = 0;
  };

  void Decode() {
    for (;;) {
      std::vector<uint8_t> bytes;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || ready_.size() < kQueuedBlocks; });
        if (stopping_) return;
        if (!spare_.empty()) {
          bytes = std::move(spare_.back());
          spare_.pop_back();
        }
      }
      const void* block = nullptr;
      Decoded decoded;
      decoded.result = inner_->Read(&block);
      decoded.bytesRead = inner_->bytes_read();
      if (decoded.result > 0) {
        const auto* begin = static_cast<const uint8_t*>(block);
        bytes.assign(begin, begin + decoded.result);
        decoded.bytes = std::move(bytes);
      }
      const bool last = decoded.result <= 0;
      {
        std::lock_guard lock(mutex_);
        ready_.push_back(std::move(decoded));
      }
      changed_.notify_all();
      if (last) return;
    }
  }

  std::unique_ptr<DecompressedStream> inner_;
  const std::string compression_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Decoded> ready_;                // under mutex_
  std::vector<std::vector<uint8_t>> spare_;  // buffers handed back, under mutex_
  bool stopping_ = false;                    // under mutex_
  // The caller's side.
  Decoded current_;
  bool ended_ = false;
  ssize_t endResult_ = 0;
  uint64_t bytesRead_ = 0;
  std::thread decoder_;
};

}  // namespace

std::unique_ptr<DecompressedStream> DecodedAhead(std::unique_ptr<DecompressedStream> inner) {
  return std::make_unique<AheadDecompressed>(std::move(inner));
}

}  // namespace tessaly
