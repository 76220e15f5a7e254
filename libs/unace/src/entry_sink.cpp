#include "entry_sink.h"

#include <cerrno>

namespace unace {

bool EntrySink::write_piece(const uint8_t* data, size_t size) {
  crc_ = ace_crc32(crc_, data, size);
  written_ += size;
  if (fd_ >= 0) {
    writeError_ = archivekit::write_fully(fd_, data, size);
    if (writeError_ != 0) return false;
  }
  if (next_ && !next_->write(data, size)) {
    stopped_ = true;
    return false;
  }
  if (!callback_) return true;
  // The bytes may still be the decoder's dictionary: the callback gets its own copy.
  copy_.assign(data, data + size);
  if (callback_(copy_.data(), static_cast<int>(size)) != 0) return true;
  stopped_ = true;
  return false;
}

int EntrySink::failure() const {
  return stopped_ ? ACE_STOPPED : write_error_code(writeError_);
}

// A file grown past what the file system or the process may hold is out of space too.
int write_error_code(int error) {
  return error == ENOSPC || error == EDQUOT || error == EFBIG ? ACE_DISK_FULL : ACE_WRITE_PROTECTED;
}

}  // namespace unace
