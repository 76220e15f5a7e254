// Entries of one part decoded ahead on a worker: the scan that offers them to the
// kit's AheadEntries, and the job that decodes and checks one of them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "archive_reader.h"
#include "archivekit/ahead_entries.h"
#include "rar_crypto.h"
#include "rar_decoder.h"

namespace unrar {

// Decoders the workers are done with, for the next entry of the same kind: a fresh
// one costs its window's allocation, more than decoding a small entry.
class DecoderShelf {
 public:
  // One for the entry's version and window, taken off the shelf or made; null when
  // its window cannot be allocated.
  std::unique_ptr<Decoder> take(const ArchiveEntry& entry, uint64_t window);
  void give_back(const ArchiveEntry& entry, uint64_t window, std::unique_ptr<Decoder> decoder);

 private:
  struct Kept {
    int kind = 0;
    uint64_t window = 0;
    std::unique_ptr<Decoder> decoder;
  };
  std::mutex mutex_;
  std::vector<Kept> kept_;
};

// What the workers share with the caller's thread; it outlives their jobs.
struct SharedDecoding {
  std::shared_ptr<DecoderShelf> shelf = std::make_shared<DecoderShelf>();
  std::shared_ptr<KeyCache> keys = std::make_shared<KeyCache>();
};

// The entry after the block at offset in the reader's volume, offset then past it. It
// comes with a job when it is plain: a file of one part, not solid, no link, one we
// decode, and encrypted only when password is given. None where reading ahead ends.
std::optional<archivekit::AheadCandidate> ahead_candidate(
    ArchiveReader& reader, uint64_t& offset, const std::optional<std::string>& password,
    const SharedDecoding& shared);

}  // namespace unrar
