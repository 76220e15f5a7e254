// The streams of the folders the caller processes, decoded on worker threads when there
// are workers. While the caller processes entry after entry across a folder boundary
// (extracting or testing everything), the folders after the current one are opened too
// and decode at once; a skipped entry with data drops them and ends that until the
// caller crosses a boundary again, so a selection costs no folder it does not need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "archive_reader.h"
#include "archivekit/byte_stream.h"
#include "archivekit/worker_pool.h"

namespace un7z {

using archivekit::ByteStream;
using archivekit::WorkerPool;

class FolderPrefetch {
 public:
  explicit FolderPrefetch(ArchiveReader& reader) : reader_(reader) {}

  // As worker_count reads it; streams handed out before must be gone.
  void set_threads(int threads);
  // The caller processed (true) or skipped an entry with data.
  void note(const SevenZipEntry& entry, bool processed);
  // The stream of the folder, at its start: the one opened ahead, or opened now.
  // 0 or open_folder's code. The stream must go before this object.
  int open(size_t folder, std::unique_ptr<ByteStream>& stream);
  // Drops the folders opened ahead (their password proved wrong, or another was set).
  void forget() { ahead_.clear(); }
  // The caller starts again at the first entry: nothing processed yet.
  void restart() {
    ahead_.clear();
    lastProcessed_.reset();
    crossing_ = false;
  }

 private:
  struct Ahead {
    size_t folder = 0;
    uint64_t size = 0;
    std::unique_ptr<ByteStream> stream;
  };

  WorkerPool* workers();
  // Opens the folders after current until enough are decoding ahead.
  void top_up(size_t current);

  ArchiveReader& reader_;
  int threads_ = 0;
  std::unique_ptr<WorkerPool> workers_;  // made on first need; outlives the streams
  bool noWorkers_ = false;               // the count allows none
  std::deque<Ahead> ahead_;
  std::optional<size_t> lastProcessed_;  // folder of the last entry with data, if processed
  bool crossing_ = false;                // processed across a folder boundary, none skipped since
};

}  // namespace un7z
