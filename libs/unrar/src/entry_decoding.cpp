#include "entry_decoding.h"

#include <vector>

#include "rar_legacy_crypto.h"
#include "unrar.h"

namespace unrar {
namespace {

constexpr uint64_t kSmallestWindow = 256u << 10;
constexpr size_t kCopyChunk = 64 * 1024;

int decode_status(DecodeResult result, const archivekit::PackedEntryInput& input,
                  const EntrySink& sink) {
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

int copy_stored(const ArchiveEntry& entry, archivekit::PackedEntryInput& input, EntrySink& sink) {
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

}  // namespace

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
  if (entry.unpackVersion != 50) return kRar4Window;
  if (solidArchive || entry.solid || entry.unknownSize) return entry.dictionarySize;
  uint64_t window = kSmallestWindow;
  while (window < entry.unpackedSize && window < entry.dictionarySize) window <<= 1;
  return std::min(window, std::max(entry.dictionarySize, kSmallestWindow));
}

std::unique_ptr<Decoder> make_decoder(const ArchiveEntry& entry, uint64_t window) {
  if (entry.unpackVersion == 50) return make_rar5_decoder(window, entry.rar5Algorithm);
  return entry.unpackVersion < 20   ? make_rar15_decoder(window)
         : entry.unpackVersion < 29 ? make_rar20_decoder(window)
                                    : make_rar29_decoder(window);
}

int make_cipher(const ArchiveEntry& entry, const std::optional<std::string>& password,
                KeyCache& keyCache, std::unique_ptr<PackedCipher>& cipher,
                std::optional<Bytes32>& hashKey) {
  if (!password || password->empty()) return ERAR_MISSING_PASSWORD;
  switch (entry.unpackVersion) {
    case 13:
      cipher = std::make_unique<Rar13Cipher>(*password);
      return ERAR_SUCCESS;
    case 15:
      cipher = std::make_unique<Rar15Cipher>(*password);
      return ERAR_SUCCESS;
    case 20:
    case 26:
      cipher = std::make_unique<Rar20Cipher>(*password);
      return ERAR_SUCCESS;
    default:
      break;
  }
  if (entry.rar5Encryption) {
    const Rar5FileEncryption& parameters = *entry.rar5Encryption;
    Rar5Keys keys{};
    if (!keyCache.rar5_keys(*password, parameters.salt.data(), parameters.lg2Count, keys)) {
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
      keyCache.rar3_key(*password, entry.rar3Salt ? entry.rar3Salt->data() : nullptr);
  cipher = std::make_unique<AesPackedCipher>(key.key.data(), key.key.size(), key.iv);
  return ERAR_SUCCESS;
}

int decode_with(Decoder* decoder, const ArchiveEntry& entry, archivekit::PackedEntryInput& input,
                EntrySink& sink) {
  if (entry.stored()) return copy_stored(entry, input, sink);
  const uint64_t size = entry.unknownSize ? UINT64_MAX : entry.unpackedSize;
  return decode_status(decoder->decode_entry(input, sink, size, entry.solid), input, sink);
}

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

}  // namespace unrar
