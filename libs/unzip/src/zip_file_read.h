// Reading an exact byte range of a file for libzip's sources.
#pragma once

#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdint>

namespace unzip {

// Reads length bytes at offset; a file that ends early or fails sets error for libzip.
inline bool read_exact(int fd, uint64_t offset, unsigned char* buffer, uint64_t length,
                       zip_error_t* error) {
  uint64_t done = 0;
  while (done < length) {
    const ssize_t count =
        pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      zip_error_set(error, count < 0 ? ZIP_ER_READ : ZIP_ER_EOF, count < 0 ? errno : 0);
      return false;
    }
    done += static_cast<uint64_t>(count);
  }
  return true;
}

}  // namespace unzip
