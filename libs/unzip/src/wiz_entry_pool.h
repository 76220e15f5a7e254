// Entries decoded on worker threads while the caller's thread goes on with the next
// entries' decisions. Every callback still runs on the caller's thread in archive
// order: a worker's chunks are kept and printed when its entry's turn comes, its
// staged file is put in place then, and the service calls it owes (one per 256 KiB
// written and one per entry) are made then, so the caller sees exactly what a call
// decoding one entry after the other would show.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "wiz_call.h"
#include "wiz_entry_writer.h"
#include "zip_archive.h"

namespace unzip {

// Workers for a call: 0 asks for one per core; never more than 8.
unsigned worker_count(int32_t requested);

class EntryPool {
 public:
  // The workers read the entries through archive, which outlives the pool. While it
  // lives, every question the call asks waits for the queue to drain.
  EntryPool(CallState& call, ZipArchive& archive, unsigned workers);
  // Stops the workers; staged files not yet put in place are discarded.
  ~EntryPool();
  EntryPool(const EntryPool&) = delete;
  EntryPool& operator=(const EntryPool&) = delete;

  // Queues the entry (a file whose decisions are made) for a worker, waiting while
  // the queue is full. Chunks printed since the previous entry take their turn
  // before its own.
  EntryEnd submit(const EntryInfo& entry, std::string password, std::string relative);
  // Concludes the entries at the head of the queue that are finished.
  EntryEnd conclude_finished();
  // Waits for every queued entry and concludes it; chunks print directly afterwards.
  EntryEnd drain();
  // True when relative, or a folder above it, is an entry still in the queue.
  bool queued(const std::string& relative) const;

 private:
  struct Task;

  void work();
  void publish(Task& task);
  void decode(Task& task);
  // Concludes the head task once finished, waiting for it when wait is set; nothing
  // when it is not finished and wait is not set.
  std::optional<EntryEnd> conclude_head(bool wait);
  // The idle call; true (after raising 80) when it says stop.
  bool idle_says_stop();
  EntryEnd stop();
  void print_directly();

  CallState& call_;
  ZipArchive& archive_;
  std::vector<std::string> held_;  // printed since the newest queued entry
  std::deque<std::unique_ptr<Task>> tasks_;
  std::size_t next_to_decode_ = 0;  // index into tasks_ (under mutex_)
  std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> workers_;
};

}  // namespace unzip
