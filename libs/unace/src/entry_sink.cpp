#include "entry_sink.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace unace {

namespace {

// However much one decoder step hands over at once, the caller hears from us at
// least this often.
constexpr size_t kCallbackPiece = 256 * 1024;

}  // namespace

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
  crc_ = ace_crc32(crc_, data, size);
  written_ += size;
  size_t done = 0;
  while (fd_ >= 0 && done < size) {
    const ssize_t put = ::write(fd_, data + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      writeError_ = put < 0 ? errno : ENOSPC;
      return false;
    }
    done += static_cast<size_t>(put);
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
