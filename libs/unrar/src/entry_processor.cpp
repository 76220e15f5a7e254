#include "entry_processor.h"

#include <cerrno>
#include <vector>

#include "archivekit/staged_file.h"

#include "archivekit/entry_output.h"
#include "entry_sink.h"
#include "output_files.h"
#include "rar_legacy_crypto.h"

namespace unrar {
namespace {

constexpr uint64_t kRar4Window = 4u << 20;
constexpr uint64_t kSmallestWindow = 256u << 10;
constexpr size_t kCopyChunk = 64 * 1024;

bool supported(const ArchiveEntry& entry) {
  if (entry.method < 0x30 || entry.method > 0x35 || entry.link == LinkKind::unsupported) {
    return false;
  }
  if (entry.unpackVersion == 50) {
    return entry.rar5Algorithm <= 1 &&
           (!entry.rar5Encryption || entry.rar5Encryption->version == 0);
  }
  switch (entry.unpackVersion) {
    case 13:
    case 15:
    case 20:
    case 26:
    case 29:
    case 36:
      return true;
    default:
      return entry.stored() && !entry.encrypted;
  }
}

// A non-solid entry never refers further back than its own size, so a smaller
// window than the header's dictionary does; this keeps small entries of archives
// made with huge dictionaries cheap.
uint64_t window_for(const ArchiveEntry& entry, bool solidArchive) {
  if (solidArchive || entry.solid || entry.unknownSize) return entry.dictionarySize;
  uint64_t window = kSmallestWindow;
  while (window < entry.unpackedSize && window < entry.dictionarySize) window <<= 1;
  return std::min(window, std::max(entry.dictionarySize, kSmallestWindow));
}

int decode_status(DecodeResult result, const EntryInput& input, const EntrySink& sink) {
  switch (result) {
    case DecodeResult::ok:
      return ERAR_SUCCESS;
    case DecodeResult::bad_data:
      return ERAR_BAD_DATA;
    case DecodeResult::unsupported:
      return ERAR_UNKNOWN;
    case DecodeResult::out_of_memory:
      return ERAR_NO_MEMORY;
    case DecodeResult::stopped:
      break;
  }
  if (sink.cancelled()) return ERAR_UNKNOWN;
  if (sink.write_failed()) return ERAR_EWRITE;
  return input.failed() ? input.failure() : ERAR_BAD_DATA;
}

int copy_stored(const ArchiveEntry& entry, EntryInput& input, EntrySink& sink) {
  std::vector<uint8_t> buffer(kCopyChunk);
  uint64_t remaining = entry.unknownSize ? UINT64_MAX : entry.unpackedSize;
  while (remaining > 0) {
    const size_t got = input.read(buffer.data(), std::min<uint64_t>(buffer.size(), remaining));
    if (got == 0) break;
    if (!sink.write(buffer.data(), got)) return sink.cancelled() ? ERAR_UNKNOWN : ERAR_EWRITE;
    remaining -= got;
  }
  if (input.failed()) return input.failure();
  return entry.unknownSize || remaining == 0 ? ERAR_SUCCESS : ERAR_BAD_DATA;
}

// The whole entry's checksums sit in its last part.
int verify(const ArchiveEntry& entry, const ArchiveEntry& lastPart, EntrySink& sink,
           const std::optional<Bytes32>& hashKey) {
  if (!entry.unknownSize && sink.written() != entry.unpackedSize) return ERAR_BAD_DATA;
  if (lastPart.crc32) {
    const uint32_t crc = hashKey ? rar5_mac_crc32(sink.crc32(), *hashKey) : sink.crc32();
    if (crc != *lastPart.crc32) return ERAR_BAD_DATA;
  }
  if (lastPart.blake2) {
    const Bytes32 digest = hashKey ? rar5_mac_blake2sp(sink.blake2(), *hashKey) : sink.blake2();
    if (digest != *lastPart.blake2) return ERAR_BAD_DATA;
  }
  return ERAR_SUCCESS;
}

}  // namespace

int EntryProcessor::process(const ArchiveEntry& entry, archivekit::EntryAction action,
                            const std::string& destination, const std::string& outputName) {
  keptName_.clear();
  if (action == archivekit::EntryAction::skip) return skip(entry);
  // Its first part lies in a volume before the one that was opened.
  if (entry.splitBefore) {
    EntryInput(reader_, entry, nullptr).skip_rest();
    return ERAR_BAD_DATA;
  }
  // A folder that is a link (a RAR5 directory link) is made as the link.
  const bool folder = entry.directory && entry.link == LinkKind::none;
  Target target;
  if (action == archivekit::EntryAction::extract) {
    bool placed = false;
    if (outputName.empty()) {
      target.root = destination;
      placed =
          archivekit::resolve_output_path(destination, entry.name, target.path, target.relative);
    } else {
      const size_t slash = outputName.find_last_of('/');
      target.root = slash == std::string::npos ? "" : outputName.substr(0, slash);
      placed = archivekit::resolve_output_path(target.root, outputName.substr(slash + 1),
                                               target.path, target.relative);
    }
    if (!placed || !archivekit::make_folders(target.path, folder)) {
      const int error = placed ? errno : EACCES;
      EntryInput(reader_, entry, nullptr).skip_rest();
      errno = error;
      return ERAR_ECREATE;
    }
  }
  if (folder) {
    const int result = EntryInput(reader_, entry, nullptr).skip_rest();
    if (action == archivekit::EntryAction::extract) folders_.add(target.path, entry);
    return result;
  }
  return unpack(entry, action == archivekit::EntryAction::extract ? &target : nullptr);
}

int EntryProcessor::skip(const ArchiveEntry& entry) {
  // The decoder of a solid archive must see every compressed entry in turn.
  const bool feedsDecoder = reader_.solid() && !entry.directory && !entry.stored() &&
                            supported(entry) && (!entry.encrypted || password_);
  if (feedsDecoder && listing_) solidStreamBroken_ = true;
  if (feedsDecoder && !listing_ && !entry.splitBefore) {
    const PROCESSDATAPROC callback = callback_;
    callback_ = nullptr;
    const int result = unpack(entry, nullptr);
    callback_ = callback;
    // A missing volume, or a stop asked for between volumes, ends the skip too; a
    // damaged entry is left to the ones after it to report.
    return result == ERAR_EOPEN || result == ERAR_UNKNOWN ? result : ERAR_SUCCESS;
  }
  return EntryInput(reader_, entry, nullptr).skip_rest();
}

int EntryProcessor::make_cipher(const ArchiveEntry& entry, std::unique_ptr<PackedCipher>& cipher,
                                std::optional<Bytes32>& hashKey) {
  if (!password_ || password_->empty()) return ERAR_MISSING_PASSWORD;
  switch (entry.unpackVersion) {
    case 13:
      cipher = std::make_unique<Rar13Cipher>(*password_);
      return ERAR_SUCCESS;
    case 15:
      cipher = std::make_unique<Rar15Cipher>(*password_);
      return ERAR_SUCCESS;
    case 20:
    case 26:
      cipher = std::make_unique<Rar20Cipher>(*password_);
      return ERAR_SUCCESS;
    default:
      break;
  }
  if (entry.rar5Encryption) {
    const Rar5FileEncryption& parameters = *entry.rar5Encryption;
    Rar5Keys keys{};
    if (!derive_rar5_keys(*password_, parameters.salt.data(), parameters.lg2Count, keys)) {
      return ERAR_BAD_DATA;
    }
    if (parameters.passwordCheck && *parameters.passwordCheck != keys.passwordCheck) {
      return ERAR_BAD_DATA;
    }
    cipher = std::make_unique<AesPackedCipher>(keys.key.data(), keys.key.size(), parameters.iv);
    if (parameters.macChecksums) hashKey = keys.hashKey;
    return ERAR_SUCCESS;
  }
  const Rar3Key key =
      derive_rar3_key(*password_, entry.rar3Salt ? entry.rar3Salt->data() : nullptr);
  cipher = std::make_unique<AesPackedCipher>(key.key.data(), key.key.size(), key.iv);
  return ERAR_SUCCESS;
}

int EntryProcessor::decoder_for(const ArchiveEntry& entry, Decoder*& decoder) {
  if (entry.unpackVersion != 50) {
    // Each algorithm keeps its own stream; the window covers every dictionary of
    // these versions.
    std::unique_ptr<Decoder>& slot = entry.unpackVersion < 20   ? rar15_
                                     : entry.unpackVersion < 29 ? rar20_
                                                                : rar29_;
    if (!slot) {
      slot = entry.unpackVersion < 20   ? make_rar15_decoder(kRar4Window)
             : entry.unpackVersion < 29 ? make_rar20_decoder(kRar4Window)
                                        : make_rar29_decoder(kRar4Window);
    }
    decoder = slot.get();
    return decoder ? ERAR_SUCCESS : ERAR_NO_MEMORY;
  }
  const uint64_t window = window_for(entry, reader_.solid());
  const bool fits = rar5_ && window <= rar5Dictionary_ && entry.rar5Algorithm == rar5Algorithm_;
  if (!fits) {
    // The window of a solid stream cannot grow under it.
    if (entry.solid && rar5_) return ERAR_BAD_DATA;
    rar5_.reset();
    rar5_ = make_rar5_decoder(window, entry.rar5Algorithm);
    if (!rar5_) return ERAR_NO_MEMORY;
    rar5Dictionary_ = window;
    rar5Algorithm_ = entry.rar5Algorithm;
  }
  decoder = rar5_.get();
  return ERAR_SUCCESS;
}

int EntryProcessor::decode(const ArchiveEntry& entry, EntryInput& input, EntrySink& sink) {
  if (entry.stored()) return copy_stored(entry, input, sink);
  if (entry.solid && solidStreamBroken_) return ERAR_BAD_DATA;
  solidStreamBroken_ = false;
  Decoder* decoder = nullptr;
  const int result = decoder_for(entry, decoder);
  if (result != ERAR_SUCCESS) return result;
  const uint64_t size = entry.unknownSize ? UINT64_MAX : entry.unpackedSize;
  return decode_status(decoder->decode_entry(input, sink, size, entry.solid), input, sink);
}

int EntryProcessor::unpack(const ArchiveEntry& entry, const Target* target) {
  std::unique_ptr<PackedCipher> cipher;
  std::optional<Bytes32> hashKey;
  int result = supported(entry) ? ERAR_SUCCESS : ERAR_UNKNOWN;
  if (result == ERAR_SUCCESS && entry.encrypted) result = make_cipher(entry, cipher, hashKey);
  EntryInput input(reader_, entry, std::move(cipher));
  if (result != ERAR_SUCCESS) {
    input.skip_rest();
    return result;
  }
  if (entry.link != LinkKind::none) return unpack_link(entry, input, hashKey, target);

  archivekit::StagedFile file;
  if (target && !file.open(target->path)) {
    const int error = errno;
    input.skip_rest();
    errno = error;
    return error == ENOSPC ? ERAR_EWRITE : ERAR_ECREATE;
  }
  EntrySink sink(file.fd(), nullptr, callback_, entry.blake2.has_value());
  result = decode(entry, input, sink);
  const int rest = input.skip_rest();
  if (result == ERAR_SUCCESS) result = rest;
  if (result == ERAR_SUCCESS) result = verify(entry, input.part(), sink, hashKey);
  // Only a whole, verified file takes the entry's name; anything else leaves what
  // was there before untouched.
  if (target && result == ERAR_SUCCESS) {
    apply_file_metadata(file.fd(), entry);
    if (!file.commit()) result = errno == ENOSPC ? ERAR_EWRITE : ERAR_ECREATE;
  }
  const bool damaged =
      result == ERAR_BAD_DATA || result == ERAR_BAD_ARCHIVE || result == ERAR_EOPEN;
  if (target && keepBroken_ && damaged) keptName_ = file.keep_damaged();
  return result;
}

int EntryProcessor::unpack_text(const ArchiveEntry& entry, std::string& text) {
  if (!supported(entry) || entry.splitBefore || entry.splitAfter) return ERAR_UNKNOWN;
  std::unique_ptr<PackedCipher> cipher;
  std::optional<Bytes32> hashKey;
  if (entry.encrypted) {
    const int keyed = make_cipher(entry, cipher, hashKey);
    if (keyed != ERAR_SUCCESS) return keyed;
  }
  EntryInput input(reader_, entry, std::move(cipher));
  EntrySink sink(-1, &text, nullptr, entry.blake2.has_value());
  ArchiveEntry fresh = entry;
  fresh.solid = false;
  const int result = decode(fresh, input, sink);
  if (result == ERAR_EWRITE) return ERAR_SMALL_BUF;
  return result == ERAR_SUCCESS ? verify(entry, entry, sink, hashKey) : result;
}

int EntryProcessor::unpack_link(const ArchiveEntry& entry, EntryInput& input,
                                const std::optional<Bytes32>& hashKey, const Target* target) {
  std::string linkTarget = entry.linkTarget;
  int result = ERAR_SUCCESS;
  if (entry.unpackVersion != 50) {
    // RAR 1.5-4 links carry their target as the entry's data.
    EntrySink sink(-1, &linkTarget, nullptr, false);
    result = decode(entry, input, sink);
    if (result == ERAR_EWRITE) result = ERAR_BAD_DATA;
    const int rest = input.skip_rest();
    if (result == ERAR_SUCCESS) result = rest;
    if (result == ERAR_SUCCESS) result = verify(entry, input.part(), sink, hashKey);
  } else {
    result = input.skip_rest();
  }
  if (result != ERAR_SUCCESS || !target) return result;
  if (entry.link == LinkKind::symlink) {
    const archivekit::LinkResult made =
        archivekit::create_symlink(target->root, target->relative, target->path, linkTarget);
    if (made == archivekit::LinkResult::outside) return ERAR_UNSAFE_LINK;
    if (made == archivekit::LinkResult::failed) return ERAR_ECREATE;
    apply_metadata(target->path, entry);
    return ERAR_SUCCESS;
  }
  // A hard link's target follows the rule of every name: it may not climb out.
  std::string sourcePath;
  std::string sourceRelative;
  if (!archivekit::resolve_output_path(target->root, linkTarget, sourcePath, sourceRelative)) {
    return ERAR_UNSAFE_LINK;
  }
  return copy_extracted_file(sourcePath, entry, target->path) ? ERAR_SUCCESS : ERAR_ECREATE;
}

}  // namespace unrar
