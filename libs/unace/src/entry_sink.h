// Where an entry's unpacked bytes go: a file, or nowhere when testing; with their
// CRC and the reason a write failed.
#pragma once

#include <cstdint>

#include "ace_crc.h"
#include "ace_decoder.h"

namespace unace {

class EntrySink : public UnpackedOutput {
 public:
  // fd: the open output file, or -1 to only count and check.
  explicit EntrySink(int fd) : fd_(fd) {}
  bool write(const uint8_t* data, size_t size) override;

  uint64_t written() const { return written_; }
  uint32_t crc32() const { return crc_; }
  bool write_failed() const { return writeError_ != 0; }
  // ACE_DISK_FULL or ACE_WRITE_PROTECTED, for a failed write.
  int write_failure() const;

 private:
  int fd_;
  uint64_t written_ = 0;
  uint32_t crc_ = kAceCrcStart;
  int writeError_ = 0;  // errno of the failed write
};

// The code for a file that could not be created or written: no room is 4, any
// other reason 7.
int write_error_code(int error);

}  // namespace unace
