// The entries a library's caller processes next, decoded on worker threads when there
// are workers. While the caller processes entry after entry (testing or extracting
// them all), the entries that follow in the same volume and that the library offers
// decode at once, each on its own, within a memory budget. A skipped entry drops them,
// and so does forget() (a changed or wrong password, a stop).
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "archivekit/worker_pool.h"

namespace archivekit {

using AheadStream = WorkerPool::AheadStream;

// Where an entry's data lies: entries come, and are decoded ahead, in this order.
struct EntryPlace {
  size_t volume = 0;
  uint64_t dataOffset = 0;
  auto operator<=>(const EntryPlace&) const = default;
};

// An entry found ahead of the caller.
struct AheadCandidate {
  EntryPlace place;
  uint64_t cost = 0;              // bytes its decoder and queue may hold
  std::unique_ptr<AheadJob> job;  // null: it decodes on the caller's thread, in its turn
};

class AheadEntries {
 public:
  // Decoded bytes a worker holds ahead of the caller, per entry.
  static constexpr size_t kQueueLimit = size_t{4} << 20;

  // Reads the entry after the block at offset in the current volume, offset then past
  // it; none where reading ahead ends (the volume's end, a damaged header).
  using Scan = std::function<std::optional<AheadCandidate>(uint64_t& offset)>;

  // As worker_count reads it; streams handed out before must be gone.
  void set_threads(int threads);
  // The caller processed (tests or extracts) or skipped the entry it read last.
  void note(bool processed);
  // The output of the entry at place decoded ahead, or null: it decodes on the
  // caller's thread. When the caller is going through the entries in turn, those
  // after it start too, scanned from position (the block after it) in volume. The
  // stream must go before this object.
  std::unique_ptr<AheadStream> take(EntryPlace place, size_t volume, uint64_t position,
                                    const Scan& scan);
  void forget() { ahead_.clear(); }

 private:
  struct Ahead {
    EntryPlace place;
    uint64_t cost = 0;
    std::unique_ptr<AheadStream> stream;
  };

  WorkerPool* workers();
  void top_up(size_t volume, uint64_t position, const Scan& scan);

  int threads_ = 0;
  std::unique_ptr<WorkerPool> workers_;  // made on first need; outlives the streams
  bool noWorkers_ = false;               // the count allows none
  std::deque<Ahead> ahead_;
  uint64_t scanFrom_ = 0;  // the block after the last entry looked at ahead
  int processedInTurn_ = 0;
};

}  // namespace archivekit
