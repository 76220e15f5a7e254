#include "archive_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "un7z.h"

namespace un7z {
namespace {

constexpr size_t kMostVolumes = 9999;

// "name.7z.001" → "name.7z."; "" when the path is not a set's first volume.
std::string split_set_stem(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.compare(dot + 1, std::string::npos, "001") != 0) return "";
  return path.substr(0, dot + 1);
}

std::string volume_name(const std::string& stem, size_t number) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03zu", number);
  return stem + digits;
}

}  // namespace

int ArchiveFile::open(const std::string& path) {
  path_ = path;
  auto first = archivekit::VolumeFile::open(path);
  if (!first) return UN7Z_EOPEN;
  size_ = first->size();
  parts_.push_back({std::move(first), 0});
  const std::string stem = split_set_stem(path);
  split_ = !stem.empty();
  for (size_t number = 2; split_ && number <= kMostVolumes; ++number) {
    auto next = archivekit::VolumeFile::open(volume_name(stem, number));
    if (!next) break;
    const uint64_t start = size_;
    size_ += next->size();
    parts_.push_back({std::move(next), start});
  }
  return UN7Z_SUCCESS;
}

bool ArchiveFile::read_exact(uint64_t offset, void* out, size_t size) const {
  if (offset > size_ || size > size_ - offset) return false;
  auto* bytes = static_cast<uint8_t*>(out);
  auto part = std::upper_bound(parts_.begin(), parts_.end(), offset,
                               [](uint64_t at, const Part& p) { return at < p.start; });
  for (--part; size > 0; ++part) {
    const uint64_t within = offset - part->start;
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(size, part->file->size() - within));
    if (!part->file->read_exact(within, bytes, piece)) return false;
    bytes += piece;
    offset += piece;
    size -= piece;
  }
  return true;
}

int ArchiveFile::truncation_code() const {
  return split_ ? UN7Z_VOLUME_MISSING : UN7Z_BAD_ARCHIVE;
}

size_t PackedStream::read(uint8_t* out, size_t size) {
  size = static_cast<size_t>(std::min<uint64_t>(size, remaining_));
  if (size == 0) return 0;
  if (!archive_.read_exact(offset_, out, size)) {
    return fail(offset_ + size > archive_.size() ? archive_.truncation_code() : UN7Z_EREAD);
  }
  offset_ += size;
  remaining_ -= size;
  return size;
}

}  // namespace un7z
