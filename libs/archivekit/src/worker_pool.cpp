#include "archivekit/worker_pool.h"

#include <sched.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "archivekit/entry_output.h"

namespace archivekit {
namespace {

constexpr unsigned kMostWorkers = 8;
constexpr size_t kPieceSize = PacedOutput::kPieceSize;

unsigned usable_cores() {
  cpu_set_t cores;
  if (sched_getaffinity(0, sizeof cores, &cores) == 0)
    return static_cast<unsigned>(CPU_COUNT(&cores));
  return std::max(1u, std::thread::hardware_concurrency());
}

struct Piece {
  std::unique_ptr<uint8_t[]> bytes;  // kPieceSize of room
  size_t size = 0;
};

// Pulls a stream: each read is one write.
class PullJob final : public AheadJob {
 public:
  explicit PullJob(std::unique_ptr<ByteStream> stream) : stream_(std::move(stream)) {}

  int run(UnpackedOutput& output) override {
    std::vector<uint8_t> buffer(kPieceSize);
    for (;;) {
      const size_t got = stream_->read(buffer.data(), buffer.size());
      if (got == 0) break;
      if (!output.write(buffer.data(), got)) break;
    }
    const int status = stream_->status();
    // The decoder's memory (its dictionary) goes as soon as it is done with.
    stream_.reset();
    return status;
  }

 private:
  std::unique_ptr<ByteStream> stream_;
};

}  // namespace

unsigned worker_count(int requested) {
  const unsigned wanted = requested > 0 ? static_cast<unsigned>(requested) : usable_cores();
  return std::min(wanted, kMostWorkers);
}

struct WorkerPool::Task {
  std::unique_ptr<AheadJob> job;  // run by its worker alone
  size_t queueLimit = 0;
  // Under mutex_:
  std::optional<int> preparation;  // the result of job->prepare(), once known
  std::deque<Piece> pieces;        // made, not yet read
  std::vector<Piece> spare;        // read, for the worker to fill again
  size_t queued = 0;               // room held by pieces
  bool ended = false;              // the job made its last piece, or failed (status)
  int status = 0;
  bool abandoned = false;  // its reader is gone
};

// A job's writes, cut into pieces for the queue; waits while the queue is full.
class WorkerPool::TaskOutput final : public UnpackedOutput {
 public:
  TaskOutput(WorkerPool& pool, Task& task) : pool_(pool), task_(task) {}

  bool write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      const size_t count = std::min(size, kPieceSize);
      Piece piece;
      {
        std::unique_lock lock(pool_.mutex_);
        pool_.changed_.wait(lock, [&] {
          return pool_.stopping_ || task_.abandoned || task_.queued < task_.queueLimit;
        });
        if (pool_.stopping_ || task_.abandoned) return false;
        if (!task_.spare.empty()) {
          piece = std::move(task_.spare.back());
          task_.spare.pop_back();
        }
      }
      if (!piece.bytes) piece.bytes.reset(new uint8_t[kPieceSize]);
      std::memcpy(piece.bytes.get(), data, count);
      piece.size = count;
      {
        std::lock_guard lock(pool_.mutex_);
        task_.queued += kPieceSize;
        task_.pieces.push_back(std::move(piece));
      }
      pool_.changed_.notify_all();
      data += count;
      size -= count;
    }
    return true;
  }

 private:
  WorkerPool& pool_;
  Task& task_;
};

WorkerPool::AheadStream::AheadStream(WorkerPool& pool, std::shared_ptr<Task> task)
    : pool_(pool), task_(std::move(task)) {}

WorkerPool::AheadStream::~AheadStream() {
  {
    std::lock_guard lock(pool_.mutex_);
    task_->abandoned = true;
    std::erase(pool_.waiting_, task_);
  }
  pool_.changed_.notify_all();
}

int WorkerPool::AheadStream::prepared() {
  std::unique_lock lock(pool_.mutex_);
  pool_.changed_.wait(lock, [&] { return task_->preparation.has_value(); });
  return *task_->preparation;
}

size_t WorkerPool::AheadStream::read(uint8_t* out, size_t size) {
  if (status() != 0) return 0;
  Piece* front = nullptr;
  {
    std::unique_lock lock(pool_.mutex_);
    pool_.changed_.wait(lock, [&] { return !task_->pieces.empty() || task_->ended; });
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
      std::lock_guard lock(pool_.mutex_);
      task_->queued -= kPieceSize;
      task_->spare.push_back(std::move(*front));
      task_->pieces.pop_front();
    }
    pool_.changed_.notify_all();
  }
  return copied;
}

WorkerPool::WorkerPool(unsigned workers) {
  for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
  {
    // Set under the lock: a worker between its check and its wait would miss the wake-up.
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

std::unique_ptr<WorkerPool::AheadStream> WorkerPool::run_ahead(std::unique_ptr<AheadJob> job,
                                                               size_t queueLimit) {
  auto task = std::make_shared<Task>();
  task->job = std::move(job);
  task->queueLimit = queueLimit;
  {
    std::lock_guard lock(mutex_);
    waiting_.push_back(task);
  }
  changed_.notify_all();
  return std::make_unique<AheadStream>(*this, std::move(task));
}

std::unique_ptr<WorkerPool::AheadStream> WorkerPool::decode_ahead(
    std::unique_ptr<ByteStream> stream, size_t queueLimit) {
  return run_ahead(std::make_unique<PullJob>(std::move(stream)), queueLimit);
}

void WorkerPool::work() {
  for (;;) {
    std::shared_ptr<Task> task;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      task = std::move(waiting_.front());
      waiting_.pop_front();
    }
    run(*task);
  }
}

void WorkerPool::run(Task& task) {
  const int preparation = task.job->prepare();
  {
    std::lock_guard lock(mutex_);
    task.preparation = preparation;
  }
  changed_.notify_all();
  TaskOutput output(*this, task);
  const int status = preparation != 0 ? preparation : task.job->run(output);
  // The job's memory (its dictionary) goes as soon as it is done with.
  task.job.reset();
  {
    std::lock_guard lock(mutex_);
    task.ended = true;
    task.status = status;
  }
  changed_.notify_all();
}

}  // namespace archivekit
