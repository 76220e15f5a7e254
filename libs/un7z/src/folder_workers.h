// Folders decoded on worker threads ahead of the caller's thread. A worker alone pulls a
// folder's stream, into a bounded queue of pieces; the caller reads the pieces, and
// the failure that ended them, in order, as if it pulled the stream itself. So every
// callback stays on the caller's thread: the workers only decode.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "byte_stream.h"

namespace un7z {

// Workers for a handle: 0 asks for one per core; never more than 8. 1 means none: the
// caller's thread decodes.
unsigned worker_count(int requested);

class FolderWorkers {
 public:
  explicit FolderWorkers(unsigned workers);
  // Stops every folder and waits for the workers.
  ~FolderWorkers();
  FolderWorkers(const FolderWorkers&) = delete;
  FolderWorkers& operator=(const FolderWorkers&) = delete;

  // folder's output as decoded by a worker, at most queueLimit bytes ahead of the
  // reader. Folders start in the order given here; the worker frees each when done.
  // Destroying the stream stops its decoding after the piece in hand; it must go before
  // this object.
  std::unique_ptr<ByteStream> decode_ahead(std::unique_ptr<ByteStream> folder, size_t queueLimit);

 private:
  struct Task;
  class AheadStream;

  void work();
  void decode(Task& task);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Task>> waiting_;  // not started yet
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace un7z
