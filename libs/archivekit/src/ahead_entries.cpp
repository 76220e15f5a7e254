#include "archivekit/ahead_entries.h"

namespace archivekit {
namespace {

// What the entries decoding ahead may hold between them (windows and queues): room
// for one entry of a 32 MiB dictionary. An entry that needs more decodes in its turn.
constexpr uint64_t kAheadBudget = uint64_t{40} << 20;
constexpr size_t kMostAhead = 16;
// Entries processed one after the other before the ones after them are decoded ahead:
// a selection costs nothing it does not need.
constexpr int kInTurnBeforeAhead = 2;
// Entries looked at in one go.
constexpr int kMostLookedAt = 64;

}  // namespace

void AheadEntries::set_threads(int threads) {
  ahead_.clear();
  workers_.reset();
  noWorkers_ = false;
  threads_ = threads;
}

WorkerPool* AheadEntries::workers() {
  if (!workers_ && !noWorkers_) {
    const unsigned count = worker_count(threads_);
    if (count > 1) {
      workers_ = std::make_unique<WorkerPool>(count);
    } else {
      noWorkers_ = true;
    }
  }
  return workers_.get();
}

void AheadEntries::note(bool processed) {
  if (processed) {
    ++processedInTurn_;
    return;
  }
  ahead_.clear();
  processedInTurn_ = 0;
}

std::unique_ptr<AheadStream> AheadEntries::take(EntryPlace place, size_t volume, uint64_t position,
                                                const Scan& scan) {
  // Entries the caller left unprocessed (a folder it could not make) go.
  while (!ahead_.empty() && ahead_.front().place < place) ahead_.pop_front();
  std::unique_ptr<AheadStream> stream;
  if (!ahead_.empty() && ahead_.front().place == place) {
    stream = std::move(ahead_.front().stream);
    ahead_.pop_front();
  } else {
    ahead_.clear();
  }
  if (processedInTurn_ >= kInTurnBeforeAhead) top_up(volume, position, scan);
  return stream;
}

void AheadEntries::top_up(size_t volume, uint64_t position, const Scan& scan) {
  WorkerPool* pool = workers();
  if (!pool) return;
  if (ahead_.empty() || ahead_.front().place.volume != volume) {
    ahead_.clear();
    scanFrom_ = position;
  }
  uint64_t held = 0;
  for (const Ahead& ahead : ahead_) held += ahead.cost;
  for (int looked = 0; looked < kMostLookedAt && ahead_.size() < kMostAhead; ++looked) {
    uint64_t next = scanFrom_;
    std::optional<AheadCandidate> candidate = scan(next);
    if (!candidate) break;
    if (candidate->job) {
      if (held + candidate->cost > kAheadBudget) break;  // looked at again when there is room
      held += candidate->cost;
      ahead_.push_back({candidate->place, candidate->cost,
                        pool->run_ahead(std::move(candidate->job), kQueueLimit)});
    }
    scanFrom_ = next;
  }
}

}  // namespace archivekit
