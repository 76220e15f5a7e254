// Where an entry's unpacked bytes go: a file, a link's target, or nowhere when
// testing; with their CRC, the caller's data callback at least every 256 KiB, and the
// reason writing ended early.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archivekit/entry_output.h"
#include "un7z.h"

namespace un7z {

class EntrySink : public archivekit::PacedOutput {
 public:
  // fd: the open output file, or -1. target: collects the bytes (a link's target), or null.
  EntrySink(int fd, std::string* target, UN7ZPROCESSDATAPROC callback)
      : fd_(fd), target_(target), callback_(callback) {}

  uint32_t crc32() const { return crc_; }
  // UN7Z_STOPPED or UN7Z_EWRITE (errno set) after write returned false.
  int failure() const;

 private:
  bool write_piece(const uint8_t* data, size_t size) override;

  int fd_;
  std::string* target_;
  UN7ZPROCESSDATAPROC callback_;
  std::vector<uint8_t> copy_;  // what the callback is handed
  uint32_t crc_ = 0;
  int writeError_ = 0;
};

}  // namespace un7z
