#include "ahead_entry_job.h"

#include <algorithm>

#include "archivekit/entry_output.h"
#include "entry_decoding.h"
#include "entry_input.h"
#include "entry_sink.h"
#include "unace.h"

namespace unace {
namespace {

constexpr uint8_t kTypeStored = 0;
constexpr size_t kQueueLimit = archivekit::AheadEntries::kQueueLimit;

uint64_t ahead_cost(const AceEntry& entry) {
  const uint64_t piece = archivekit::PacedOutput::kPieceSize;
  const uint64_t queue = std::min<uint64_t>(kQueueLimit, (entry.unpackedSize / piece + 1) * piece);
  const uint64_t window = uint64_t{1} << std::max(entry.dictionaryBits, 20u);
  return queue + (entry.type == kTypeStored ? 0 : window);
}

// The one part of an entry, in a volume the input holds open itself.
class HeldPartInput final : public archivekit::PackedEntryInput {
 public:
  HeldPartInput(const AceEntry& entry, std::shared_ptr<const VolumeFile> volume,
                std::unique_ptr<archivekit::BlockDecryptor> cipher)
      : PackedEntryInput({entry.volumeIndex, entry.dataOffset, entry.packSize, false},
                         std::move(cipher), kReadFailures),
        volume_(std::move(volume)) {}

 private:
  int next_part(archivekit::PackedPart&) override { return ACE_BAD_DATA; }
  const VolumeFile* volume(size_t) override { return volume_.get(); }

  std::shared_ptr<const VolumeFile> volume_;
};

// One entry decoded, and checked, on a worker: its output is what the caller's own
// decoding would write, and its code what that would return.
class AheadEntryJob final : public archivekit::AheadJob {
 public:
  AheadEntryJob(AceEntry entry, std::shared_ptr<const VolumeFile> volume,
                std::unique_ptr<archivekit::BlockDecryptor> cipher)
      : entry_(std::move(entry)), volume_(std::move(volume)), cipher_(std::move(cipher)) {}

  int run(archivekit::UnpackedOutput& output) override {
    HeldPartInput input(entry_, std::move(volume_), std::move(cipher_));
    EntrySink sink(-1, nullptr);
    sink.forward_to(output);
    int result = ACE_SUCCESS;
    if (entry_.type == kTypeStored) {
      result = copy_stored(entry_, input, sink);
    } else {
      const std::unique_ptr<Decoder> decoder = make_decoder(entry_.dictionaryBits);
      if (!decoder) return ACE_UNSUPPORTED;
      const auto type = static_cast<CompressionType>(entry_.type);
      result = decode_status(decoder->decode_entry(input, sink, entry_.unpackedSize, type, false),
                             input, sink);
    }
    return result == ACE_SUCCESS ? verify(entry_, entry_, sink) : result;
  }

 private:
  AceEntry entry_;
  std::shared_ptr<const VolumeFile> volume_;
  std::unique_ptr<archivekit::BlockDecryptor> cipher_;
};

}  // namespace

std::optional<archivekit::AheadCandidate> ahead_candidate(ArchiveReader& reader, uint64_t& offset,
                                                          const AceBlowfish* cipher) {
  std::optional<AceEntry> entry = reader.entry_ahead(offset);
  if (!entry) return std::nullopt;
  archivekit::AheadCandidate candidate;
  candidate.place = {entry->volumeIndex, entry->dataOffset};
  const bool plain =
      !entry->directory() && !entry->splitBefore() && !entry->splitAfter() && decodable(*entry);
  if (plain && (!entry->encrypted() || cipher)) {
    candidate.cost = ahead_cost(*entry);
    std::unique_ptr<archivekit::BlockDecryptor> decryptor;
    if (entry->encrypted()) decryptor = std::make_unique<AceCbcDecryptor>(*cipher);
    candidate.job = std::make_unique<AheadEntryJob>(
        std::move(*entry), reader.shared_volume(reader.volume_index()), std::move(decryptor));
  }
  return candidate;
}

}  // namespace unace
