// Bytes pulled in order: a 7z coder reads what it needs from the stream below it (a
// packed stream, or another coder's output); a worker's output is read the same way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace archivekit {

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Up to size bytes; 0 at the end or on a failure, which status() then names.
  virtual size_t read(uint8_t* out, size_t size) = 0;
  // 0, or the library's code of the failure.
  int status() const { return status_; }

 protected:
  // Records the first failure; returns 0 for the read that failed.
  size_t fail(int code) {
    if (status_ == 0) status_ = code;
    return 0;
  }

 private:
  int status_ = 0;
};

}  // namespace archivekit
