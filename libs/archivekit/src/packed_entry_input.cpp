#include "archivekit/packed_entry_input.h"

#include <algorithm>
#include <cstring>

namespace archivekit {
namespace {

constexpr size_t kCipherChunk = 64 * 1024;

}  // namespace

bool PackedEntryInput::advance() {
  PackedPart next;
  const int result = next_part(next);
  if (result != 0) {
    failure_ = result;
    return false;
  }
  part_ = next;
  offset_ = 0;
  return true;
}

size_t PackedEntryInput::read_raw(uint8_t* buffer, size_t size) {
  size_t total = 0;
  while (total < size && failure_ == 0) {
    if (offset_ == part_.size) {
      if (!part_.continues || !advance()) break;
      continue;
    }
    const VolumeFile* file = volume(part_.volumeIndex);
    const size_t wanted =
        static_cast<size_t>(std::min<uint64_t>(size - total, part_.size - offset_));
    const size_t got =
        file ? file->read_some(part_.dataOffset + offset_, buffer + total, wanted) : 0;
    if (got == 0) {
      const uint64_t at = part_.dataOffset + offset_;
      failure_ = file && at < file->size() ? codes_.unreadable : codes_.truncated;
      break;
    }
    offset_ += got;
    total += got;
  }
  return total;
}

size_t PackedEntryInput::read(uint8_t* buffer, size_t size) {
  if (!cipher_) return read_raw(buffer, size);
  if (plainPos_ == plain_.size()) {
    plain_.resize(kCipherChunk);
    size_t got = read_raw(plain_.data(), plain_.size());
    // A cut-off last block cannot be decrypted; the checksum will tell.
    got -= got % cipher_->block_size();
    plain_.resize(got);
    plainPos_ = 0;
    if (got > 0 && !cipher_->decrypt(plain_.data(), got)) {
      failure_ = codes_.undecryptable;
      plain_.clear();
    }
  }
  const size_t count = std::min(size, plain_.size() - plainPos_);
  std::memcpy(buffer, plain_.data() + plainPos_, count);
  plainPos_ += count;
  return count;
}

int PackedEntryInput::skip_rest() {
  while (failure_ == 0 && part_.continues) {
    offset_ = part_.size;
    advance();
  }
  offset_ = part_.size;
  return failure_;
}

bool PackedEntryInput::skip_part() {
  offset_ = part_.size;
  const VolumeFile* file = volume(part_.volumeIndex);
  return file && part_.dataOffset <= file->size() && part_.size <= file->size() - part_.dataOffset;
}

}  // namespace archivekit
