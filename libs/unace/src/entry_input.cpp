#include "entry_input.h"

#include <algorithm>
#include <cstring>

#include "unace.h"

namespace unace {
namespace {

constexpr size_t kCipherChunk = 64 * 1024;
constexpr size_t kCipherBlock = 8;

}  // namespace

EntryInput::EntryInput(ArchiveReader& reader, const AceEntry& first,
                       std::unique_ptr<AceCbcDecryptor> cipher)
    : reader_(reader), part_(first), cipher_(std::move(cipher)) {}

bool EntryInput::next_part() {
  AceEntry next;
  const int result = reader_.next_part(part_, next);
  if (result != ACE_SUCCESS) {
    failure_ = result;
    return false;
  }
  part_ = std::move(next);
  offset_ = 0;
  return true;
}

size_t EntryInput::read_raw(uint8_t* buffer, size_t size) {
  size_t total = 0;
  while (total < size && failure_ == 0) {
    if (offset_ == part_.packSize) {
      if (!part_.splitAfter() || !next_part()) break;
      continue;
    }
    VolumeFile* file = reader_.volume(part_.volumeIndex);
    const size_t wanted =
        static_cast<size_t>(std::min<uint64_t>(size - total, part_.packSize - offset_));
    const size_t got =
        file ? file->read_some(part_.dataOffset + offset_, buffer + total, wanted) : 0;
    if (got == 0) {
      // The volume ends before the data it promises.
      failure_ = ACE_READ_ERROR;
      break;
    }
    offset_ += got;
    total += got;
  }
  return total;
}

size_t EntryInput::read(uint8_t* buffer, size_t size) {
  if (!cipher_) return read_raw(buffer, size);
  if (plainPos_ == plain_.size()) {
    plain_.resize(kCipherChunk);
    size_t got = read_raw(plain_.data(), plain_.size());
    // A cut-off last block cannot be decrypted; the CRC will tell.
    got -= got % kCipherBlock;
    plain_.resize(got);
    plainPos_ = 0;
    cipher_->decrypt(plain_.data(), got);
  }
  const size_t count = std::min(size, plain_.size() - plainPos_);
  std::memcpy(buffer, plain_.data() + plainPos_, count);
  plainPos_ += count;
  return count;
}

int EntryInput::skip_rest() {
  while (failure_ == 0 && part_.splitAfter()) {
    offset_ = part_.packSize;
    next_part();
  }
  offset_ = part_.packSize;
  return failure_ == 0 ? ACE_SUCCESS : failure_;
}

int EntryInput::skip_part() {
  offset_ = part_.packSize;
  const VolumeFile* file = reader_.volume(part_.volumeIndex);
  const bool complete =
      file && part_.dataOffset <= file->size() && part_.packSize <= file->size() - part_.dataOffset;
  return complete ? ACE_SUCCESS : ACE_READ_ERROR;
}

}  // namespace unace
