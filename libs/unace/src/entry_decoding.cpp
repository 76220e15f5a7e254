#include "entry_decoding.h"

#include <algorithm>
#include <vector>

#include "unace.h"

namespace unace {
namespace {

constexpr uint8_t kTypeBlocked = 2;
constexpr unsigned kLargestDictionaryBits = 22;
constexpr size_t kCopyChunk = 64 * 1024;

}  // namespace

bool decodable(const AceEntry& entry) {
  return entry.type <= kTypeBlocked && entry.dictionaryBits <= kLargestDictionaryBits;
}

int decode_status(DecodeResult result, const archivekit::PackedEntryInput& input,
                  const EntrySink& sink) {
  if (result != DecodeResult::ok) {
    if (sink.failed()) return sink.failure();
    if (input.failed()) return input.failure();
  }
  switch (result) {
    case DecodeResult::ok:
      return ACE_SUCCESS;
    case DecodeResult::bad_data:
      return ACE_BAD_DATA;
    case DecodeResult::unsupported:
    case DecodeResult::out_of_memory:
      return ACE_UNSUPPORTED;
    case DecodeResult::stopped:
      break;
  }
  return ACE_BAD_DATA;
}

int copy_stored(const AceEntry& entry, archivekit::PackedEntryInput& input, EntrySink& sink) {
  std::vector<uint8_t> buffer(kCopyChunk);
  uint64_t remaining = entry.unpackedSize;
  while (remaining > 0) {
    const size_t got = input.read(buffer.data(), std::min<uint64_t>(buffer.size(), remaining));
    if (got == 0) break;
    if (!sink.write(buffer.data(), got)) return sink.failure();
    remaining -= got;
  }
  if (input.failed()) return input.failure();
  return remaining == 0 ? ACE_SUCCESS : ACE_BAD_DATA;
}

int verify(const AceEntry& entry, const AceEntry& lastPart, const EntrySink& sink) {
  if (sink.written() != entry.unpackedSize) return ACE_BAD_DATA;
  return sink.crc32() == lastPart.crc32 ? ACE_SUCCESS : ACE_BAD_DATA;
}

}  // namespace unace
