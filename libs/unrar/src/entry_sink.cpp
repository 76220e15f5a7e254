#include "entry_sink.h"

#include "archive_crc.h"

namespace unrar {

EntrySink::EntrySink(int fd, std::string* memory, PROCESSDATAPROC callback, bool blake2)
    : fd_(fd), memory_(memory), callback_(callback) {
  if (blake2) blake2_ = std::make_unique<Blake2sp>();
}

bool EntrySink::write_piece(const uint8_t* data, size_t size) {
  crc_ = crc32_continue(crc_, data, size);
  if (blake2_) blake2_->update(data, size);
  written_ += size;
  if (memory_) {
    if (memory_->size() + size > kMemoryLimit) {
      writeFailed_ = true;
      return false;
    }
    memory_->append(reinterpret_cast<const char*>(data), size);
  }
  if (fd_ >= 0 && archivekit::write_fully(fd_, data, size) != 0) {
    writeFailed_ = true;
    return false;
  }
  if (next_ && !next_->write(data, size)) {
    cancelled_ = true;
    return false;
  }
  // The callback may read the bytes but not change them: hand it a copy.
  if (callback_) {
    std::string copy(reinterpret_cast<const char*>(data), size);
    if (callback_(reinterpret_cast<unsigned char*>(copy.data()), static_cast<int>(size)) == 0) {
      cancelled_ = true;
      return false;
    }
  }
  return true;
}

Bytes32 EntrySink::blake2() {
  return blake2_ ? blake2_->final() : Bytes32{};
}

}  // namespace unrar
