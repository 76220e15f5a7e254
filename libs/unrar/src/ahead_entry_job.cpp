#include "ahead_entry_job.h"

#include <algorithm>

#include "archivekit/entry_output.h"
#include "entry_decoding.h"
#include "entry_input.h"
#include "entry_sink.h"
#include "unrar.h"

namespace unrar {
namespace {

constexpr size_t kQueueLimit = archivekit::AheadEntries::kQueueLimit;
// Decoders kept on the shelf: one per worker, at most.
constexpr size_t kMostKept = 8;

// Which decoder an entry needs, besides its window.
int decoder_kind(const ArchiveEntry& entry) {
  return entry.unpackVersion == 50  ? 50 + entry.rar5Algorithm
         : entry.unpackVersion < 20 ? 15
         : entry.unpackVersion < 29 ? 20
                                    : 29;
}

uint64_t ahead_cost(const ArchiveEntry& entry) {
  const uint64_t piece = archivekit::PacedOutput::kPieceSize;
  const uint64_t queue =
      entry.unknownSize ? kQueueLimit
                        : std::min<uint64_t>(kQueueLimit, (entry.unpackedSize / piece + 1) * piece);
  return queue + (entry.stored() ? 0 : window_for(entry, false));
}

// The one part of an entry, in a volume the input holds open itself.
class HeldPartInput final : public archivekit::PackedEntryInput {
 public:
  HeldPartInput(const ArchiveEntry& entry, std::shared_ptr<const VolumeFile> volume,
                std::unique_ptr<PackedCipher> cipher)
      : PackedEntryInput({entry.volumeIndex, entry.dataOffset, entry.packSize, false},
                         std::move(cipher), kReadFailures),
        volume_(std::move(volume)) {}

 private:
  int next_part(archivekit::PackedPart&) override { return ERAR_BAD_ARCHIVE; }
  const VolumeFile* volume(size_t) override { return volume_.get(); }

  std::shared_ptr<const VolumeFile> volume_;
};

// One entry decoded, and checked, on a worker: its output is what the caller's own
// decoding would write, and its code what that would return.
class AheadEntryJob final : public archivekit::AheadJob {
 public:
  AheadEntryJob(ArchiveEntry entry, std::shared_ptr<const VolumeFile> volume,
                std::optional<std::string> password, const SharedDecoding& shared)
      : entry_(std::move(entry)),
        volume_(std::move(volume)),
        password_(std::move(password)),
        shared_(shared) {}

  int prepare() override {
    return entry_.encrypted ? make_cipher(entry_, password_, *shared_.keys, cipher_, hashKey_)
                            : ERAR_SUCCESS;
  }

  int run(archivekit::UnpackedOutput& output) override {
    HeldPartInput input(entry_, std::move(volume_), std::move(cipher_));
    EntrySink sink(-1, nullptr, nullptr, entry_.blake2.has_value());
    sink.forward_to(output);
    const uint64_t window = entry_.unpackVersion == 50 ? window_for(entry_, false) : kRar4Window;
    std::unique_ptr<Decoder> decoder;
    if (!entry_.stored()) {
      decoder = shared_.shelf->take(entry_, window);
      if (!decoder) return ERAR_NO_MEMORY;
    }
    const int result = decode_with(decoder.get(), entry_, input, sink);
    if (decoder) shared_.shelf->give_back(entry_, window, std::move(decoder));
    return result == ERAR_SUCCESS ? verify(entry_, entry_, sink, hashKey_) : result;
  }

 private:
  ArchiveEntry entry_;
  std::shared_ptr<const VolumeFile> volume_;
  std::optional<std::string> password_;
  std::unique_ptr<PackedCipher> cipher_;
  std::optional<Bytes32> hashKey_;
  SharedDecoding shared_;
};

}  // namespace

std::unique_ptr<Decoder> DecoderShelf::take(const ArchiveEntry& entry, uint64_t window) {
  {
    std::lock_guard lock(mutex_);
    for (auto kept = kept_.begin(); kept != kept_.end(); ++kept) {
      if (kept->kind == decoder_kind(entry) && kept->window == window) {
        std::unique_ptr<Decoder> decoder = std::move(kept->decoder);
        kept_.erase(kept);
        return decoder;
      }
    }
  }
  return make_decoder(entry, window);
}

void DecoderShelf::give_back(const ArchiveEntry& entry, uint64_t window,
                             std::unique_ptr<Decoder> decoder) {
  std::lock_guard lock(mutex_);
  if (kept_.size() == kMostKept) kept_.erase(kept_.begin());
  kept_.push_back({decoder_kind(entry), window, std::move(decoder)});
}

std::optional<archivekit::AheadCandidate> ahead_candidate(
    ArchiveReader& reader, uint64_t& offset, const std::optional<std::string>& password,
    const SharedDecoding& shared) {
  std::optional<ArchiveEntry> entry = reader.entry_ahead(offset);
  if (!entry) return std::nullopt;
  archivekit::AheadCandidate candidate;
  candidate.place = {entry->volumeIndex, entry->dataOffset};
  const bool plain = !entry->directory && entry->link == LinkKind::none && !entry->splitBefore &&
                     !entry->splitAfter && !entry->solid && supported(*entry);
  const bool keyed = !entry->encrypted || (password && !password->empty());
  if (plain && keyed) {
    candidate.cost = ahead_cost(*entry);
    candidate.job = std::make_unique<AheadEntryJob>(
        std::move(*entry), reader.shared_volume(reader.volume_index()), password, shared);
  }
  return candidate;
}

}  // namespace unrar
