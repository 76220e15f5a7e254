#include "folder_prefetch.h"

#include "un7z.h"

namespace un7z {
namespace {

// Decoded bytes a worker holds ahead of the caller, per folder: also what a worker may
// decode of a folder the caller then leaves.
constexpr size_t kQueueLimit = size_t{4} << 20;
// The folders opened ahead hold their decoders (a dictionary is at most the folder's
// size) and queues: at most this much of folder output between them, and at least one.
constexpr uint64_t kAheadBudget = uint64_t{32} << 20;
constexpr size_t kMostAhead = 16;

}  // namespace

void FolderPrefetch::set_threads(int threads) {
  ahead_.clear();
  workers_.reset();
  noWorkers_ = false;
  threads_ = threads;
}

WorkerPool* FolderPrefetch::workers() {
  if (!workers_ && !noWorkers_) {
    const unsigned count = archivekit::worker_count(threads_);
    if (count > 1) {
      workers_ = std::make_unique<WorkerPool>(count);
    } else {
      noWorkers_ = true;
    }
  }
  return workers_.get();
}

void FolderPrefetch::note(const SevenZipEntry& entry, bool processed) {
  if (!processed) {
    restart();
    return;
  }
  if (lastProcessed_ && *lastProcessed_ < entry.folder) crossing_ = true;
  lastProcessed_ = entry.folder;
}

int FolderPrefetch::open(size_t folder, std::unique_ptr<ByteStream>& stream) {
  while (!ahead_.empty() && ahead_.front().folder < folder) ahead_.pop_front();
  if (!ahead_.empty() && ahead_.front().folder == folder) {
    stream = std::move(ahead_.front().stream);
    ahead_.pop_front();
  } else {
    ahead_.clear();
    const int result = open_folder(reader_.folder_source(), folder, stream);
    if (result != UN7Z_SUCCESS) return result;
    if (WorkerPool* pool = workers()) stream = pool->decode_ahead(std::move(stream), kQueueLimit);
  }
  if (crossing_) top_up(folder);
  return UN7Z_SUCCESS;
}

void FolderPrefetch::top_up(size_t current) {
  WorkerPool* pool = workers();
  if (!pool) return;
  // Questions belong to the folder whose turn it is: ahead, only a password at hand.
  FolderSource source = reader_.folder_source();
  source.password = [this](std::string& password) {
    return reader_.passwords().known() ? reader_.passwords().get(password) : UN7Z_MISSING_PASSWORD;
  };
  uint64_t held = 0;
  for (const Ahead& ahead : ahead_) held += ahead.size;
  const std::vector<Folder>& folders = reader_.streams().folders;
  size_t next = ahead_.empty() ? current + 1 : ahead_.back().folder + 1;
  for (; next < folders.size() && ahead_.size() < kMostAhead; ++next) {
    if (folders[next].substreams == 0) continue;  // no entry reads it
    const uint64_t size = folders[next].unpack_size();
    if (!ahead_.empty() && held + size > kAheadBudget) break;
    std::unique_ptr<ByteStream> stream;
    // A folder that cannot be opened now is opened, and its cause told, in its turn.
    if (open_folder(source, next, stream) != UN7Z_SUCCESS) break;
    ahead_.push_back({next, size, pool->decode_ahead(std::move(stream), kQueueLimit)});
    held += size;
  }
}

}  // namespace un7z
