// Jobs run on worker threads ahead of the caller's thread. A worker alone runs a job,
// whose output goes into a bounded queue of pieces; the caller reads the pieces, and
// the failure that ended them, in order, as if it decoded itself. So every callback
// stays on the caller's thread: the workers only decode. A piece is one write of the
// job (cut at PacedOutput's size), so the caller's reads see the job's writes as made.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archivekit/byte_stream.h"
#include "archivekit/decoder_io.h"

namespace archivekit {

// Workers for a handle: 0 asks for one per core; never more than 8. 1 means none: the
// caller's thread decodes.
unsigned worker_count(int requested);

// Work for a worker: everything the job needs is its own, or safe to share.
class AheadJob {
 public:
  virtual ~AheadJob() = default;
  // What must succeed before any output (a key): 0 or the library's code, which then
  // ends the job.
  virtual int prepare() { return 0; }
  // Writes the job's output; 0 or the library's code of the failure that ended it.
  // A write that returns false means nobody reads any more: stop.
  virtual int run(UnpackedOutput& output) = 0;
};

class WorkerPool {
 public:
  class AheadStream;

  explicit WorkerPool(unsigned workers);
  // Stops every job and waits for the workers.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // The job's output as a worker makes it, at most queueLimit bytes (counted in whole
  // pieces) ahead of the reader. Jobs start in the order given here; the worker frees
  // each when done. Destroying the stream stops its job after the piece in hand; it
  // must go before this object.
  std::unique_ptr<AheadStream> run_ahead(std::unique_ptr<AheadJob> job, size_t queueLimit);
  // A stream pulled by a worker, read the same way.
  std::unique_ptr<AheadStream> decode_ahead(std::unique_ptr<ByteStream> stream, size_t queueLimit);

 private:
  struct Task;
  class TaskOutput;

  void work();
  void run(Task& task);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Task>> waiting_;  // not started yet
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

class WorkerPool::AheadStream final : public ByteStream {
 public:
  AheadStream(WorkerPool& pool, std::shared_ptr<Task> task);
  ~AheadStream() override;
  AheadStream(const AheadStream&) = delete;
  AheadStream& operator=(const AheadStream&) = delete;

  // At most the rest of the piece at the front, so a read as large as
  // PacedOutput::kPieceSize returns exactly one write of the job.
  size_t read(uint8_t* out, size_t size) override;
  // Waits for the job's prepare(): its code.
  int prepared();

 private:
  WorkerPool& pool_;
  std::shared_ptr<Task> task_;
  size_t offset_ = 0;  // read of the front piece
};

}  // namespace archivekit
