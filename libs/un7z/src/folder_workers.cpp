#include "folder_workers.h"

#include <sched.h>

#include <algorithm>
#include <cstring>

namespace un7z {
namespace {

constexpr unsigned kMostWorkers = 8;
constexpr size_t kPieceSize = 256 * 1024;

unsigned usable_cores() {
  cpu_set_t cores;
  if (sched_getaffinity(0, sizeof cores, &cores) == 0)
    return static_cast<unsigned>(CPU_COUNT(&cores));
  return std::max(1u, std::thread::hardware_concurrency());
}

struct Piece {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
};

}  // namespace

unsigned worker_count(int requested) {
  const unsigned wanted = requested > 0 ? static_cast<unsigned>(requested) : usable_cores();
  return std::min(wanted, kMostWorkers);
}

struct FolderWorkers::Task {
  std::unique_ptr<ByteStream> folder;  // pulled by its worker alone
  size_t queueLimit = 0;
  // Under mutex_:
  std::deque<Piece> pieces;  // decoded, not yet read
  std::vector<Piece> spare;  // read, for the worker to fill again
  size_t queued = 0;         // bytes in pieces
  bool ended = false;        // the folder gave its last piece, or failed (status)
  int status = 0;
  bool abandoned = false;  // its reader is gone
};

class FolderWorkers::AheadStream final : public ByteStream {
 public:
  AheadStream(FolderWorkers& workers, std::shared_ptr<Task> task)
      : workers_(workers), task_(std::move(task)) {}

  ~AheadStream() override {
    {
      std::lock_guard lock(workers_.mutex_);
      task_->abandoned = true;
      std::erase(workers_.waiting_, task_);
    }
    workers_.changed_.notify_all();
  }
  AheadStream(const AheadStream&) = delete;
  AheadStream& operator=(const AheadStream&) = delete;

  size_t read(uint8_t* out, size_t size) override {
    if (status() != 0) return 0;
    Piece* front = nullptr;
    {
      std::unique_lock lock(workers_.mutex_);
      workers_.changed_.wait(lock, [&] { return !task_->pieces.empty() || task_->ended; });
      if (task_->pieces.empty()) return task_->status != 0 ? fail(task_->status) : 0;
      // The worker only appends: the front piece stays put while it is copied.
      front = &task_->pieces.front();
    }
    const size_t copied = std::min(size, front->size - offset_);
    std::memcpy(out, front->bytes.get() + offset_, copied);
    offset_ += copied;
    if (offset_ == front->size) {
      offset_ = 0;
      {
        std::lock_guard lock(workers_.mutex_);
        task_->queued -= front->size;
        task_->spare.push_back(std::move(*front));
        task_->pieces.pop_front();
      }
      workers_.changed_.notify_all();
    }
    return copied;
  }

 private:
  FolderWorkers& workers_;
  std::shared_ptr<Task> task_;
  size_t offset_ = 0;  // read of the front piece
};

FolderWorkers::FolderWorkers(unsigned workers) {
  for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
}

FolderWorkers::~FolderWorkers() {
  {
    // Set under the lock: a worker between its check and its wait would miss the wake-up.
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

std::unique_ptr<ByteStream> FolderWorkers::decode_ahead(std::unique_ptr<ByteStream> folder,
                                                        size_t queueLimit) {
  auto task = std::make_shared<Task>();
  task->folder = std::move(folder);
  task->queueLimit = queueLimit;
  {
    std::lock_guard lock(mutex_);
    waiting_.push_back(task);
  }
  changed_.notify_all();
  return std::make_unique<AheadStream>(*this, std::move(task));
}

void FolderWorkers::work() {
  for (;;) {
    std::shared_ptr<Task> task;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      task = std::move(waiting_.front());
      waiting_.pop_front();
    }
    decode(*task);
  }
}

void FolderWorkers::decode(Task& task) {
  for (;;) {
    Piece piece;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock,
                    [&] { return stopping_ || task.abandoned || task.queued < task.queueLimit; });
      if (stopping_ || task.abandoned) break;
      if (!task.spare.empty()) {
        piece = std::move(task.spare.back());
        task.spare.pop_back();
      }
    }
    if (!piece.bytes) piece.bytes.reset(new uint8_t[kPieceSize]);
    const size_t got = task.folder->read(piece.bytes.get(), kPieceSize);
    {
      std::lock_guard lock(mutex_);
      if (got == 0) {
        task.ended = true;
        task.status = task.folder->status();
      } else {
        piece.size = got;
        task.queued += got;
        task.pieces.push_back(std::move(piece));
      }
    }
    changed_.notify_all();
    if (got == 0) break;
  }
  // The decoder's memory (its dictionary) goes as soon as it is done with.
  task.folder.reset();
}

}  // namespace un7z
