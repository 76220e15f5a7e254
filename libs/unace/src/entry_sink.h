// Where an entry's unpacked bytes go: a file, or nowhere when testing, or a worker's
// queue; with their CRC, the caller's data callback at least every 256 KiB, and the
// reason writing ended early.
#pragma once

#include <cstdint>
#include <vector>

#include "ace_crc.h"
#include "archivekit/entry_output.h"
#include "unace.h"

namespace unace {

class EntrySink : public archivekit::PacedOutput {
 public:
  // fd: the open output file, or -1 to only count and check. callback: may be null.
  EntrySink(int fd, ACEPROCESSDATAPROC callback) : fd_(fd), callback_(callback) {}
  // Also hands every piece on to next (a worker's queue); its refusal stops.
  void forward_to(archivekit::UnpackedOutput& next) { next_ = &next; }

  uint64_t written() const { return written_; }
  uint32_t crc32() const { return crc_; }
  // A write failed or the callback said stop.
  bool failed() const { return stopped_ || writeError_ != 0; }
  // ACE_STOPPED, or ACE_DISK_FULL or ACE_WRITE_PROTECTED for a failed write.
  int failure() const;

 private:
  bool write_piece(const uint8_t* data, size_t size) override;

  int fd_;
  ACEPROCESSDATAPROC callback_;
  archivekit::UnpackedOutput* next_ = nullptr;
  std::vector<uint8_t> copy_;  // what the callback is handed
  uint64_t written_ = 0;
  uint32_t crc_ = kAceCrcStart;
  int writeError_ = 0;  // errno of the failed write
  bool stopped_ = false;
};

// The code for a file that could not be created or written: no room is 4, any
// other reason 7.
int write_error_code(int error);

}  // namespace unace
