#include "entry_sink.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "archive_crc.h"

namespace unrar {
namespace {

constexpr size_t kCallbackPiece = 256 * 1024;

}  // namespace

EntrySink::EntrySink(int fd, std::string* memory, PROCESSDATAPROC callback, bool blake2)
    : fd_(fd), memory_(memory), callback_(callback) {
  if (blake2) blake2_ = std::make_unique<Blake2sp>();
}

bool EntrySink::write(const uint8_t* data, size_t size) {
  while (size > 0) {
    const size_t piece = std::min(size, kCallbackPiece);
    if (!write_piece(data, piece)) return false;
    data += piece;
    size -= piece;
  }
  return true;
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
  size_t done = 0;
  while (fd_ >= 0 && done < size) {
    const ssize_t put = ::write(fd_, data + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      writeFailed_ = true;
      return false;
    }
    done += static_cast<size_t>(put);
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
