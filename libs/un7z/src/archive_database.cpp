#include "archive_database.h"

#include <sys/stat.h>

#include <algorithm>

namespace un7z {
namespace {

const std::vector<uint8_t> kAesId = {0x06, 0xF1, 0x07, 0x01};
constexpr uint32_t kUnixExtension = 0x8000;

}  // namespace

uint32_t Folder::total_in_streams() const {
  uint32_t total = 0;
  for (const Coder& coder : coders) total += coder.inStreams;
  return total;
}

std::optional<uint32_t> Folder::main_out_stream() const {
  for (uint32_t out = 0; out < unpackSizes.size(); ++out) {
    const bool bound = std::any_of(bindPairs.begin(), bindPairs.end(),
                                   [&](const BindPair& pair) { return pair.outIndex == out; });
    if (!bound) return out;
  }
  return std::nullopt;
}

uint64_t Folder::unpack_size() const {
  const std::optional<uint32_t> out = main_out_stream();
  return out ? unpackSizes[*out] : 0;
}

bool Folder::encrypted() const {
  return std::any_of(coders.begin(), coders.end(),
                     [](const Coder& coder) { return coder.id == kAesId; });
}

std::optional<uint32_t> SevenZipEntry::unix_mode() const {
  if (!attributes || !(*attributes & kUnixExtension)) return std::nullopt;
  return *attributes >> 16;
}

bool SevenZipEntry::symlink() const {
  const std::optional<uint32_t> mode = unix_mode();
  return hasStream && mode && S_ISLNK(*mode);
}

}  // namespace un7z
