#include "entry_sink.h"

#include <zlib.h>

#include <cerrno>

namespace un7z {

bool EntrySink::write_piece(const uint8_t* data, size_t size) {
  crc_ = static_cast<uint32_t>(crc32_z(crc_, data, size));
  if (fd_ >= 0) {
    writeError_ = archivekit::write_fully(fd_, data, size);
    if (writeError_ != 0) return false;
  }
  if (target_) target_->append(reinterpret_cast<const char*>(data), size);
  if (!callback_) return true;
  // The bytes may still be the decoder's: the callback gets its own copy.
  copy_.assign(data, data + size);
  return callback_(copy_.data(), static_cast<int>(size)) != 0;
}

int EntrySink::failure() const {
  if (writeError_ == 0) return UN7Z_STOPPED;
  errno = writeError_;
  return UN7Z_EWRITE;
}

}  // namespace un7z
