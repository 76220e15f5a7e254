#include "entry_sink.h"

#include <unistd.h>

#include <cerrno>

#include "unace.h"

namespace unace {

bool EntrySink::write(const uint8_t* data, size_t size) {
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
  return true;
}

int EntrySink::write_failure() const {
  return write_error_code(writeError_);
}

// A file grown past what the file system or the process may hold is out of space too.
int write_error_code(int error) {
  return error == ENOSPC || error == EDQUOT || error == EFBIG ? ACE_DISK_FULL : ACE_WRITE_PROTECTED;
}

}  // namespace unace
