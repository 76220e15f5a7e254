// Where an entry's unpacked bytes go: a file (or nowhere when testing, or memory
// for a link target, or a worker's queue), with their CRC-32 (and BLAKE2sp for RAR5 entries that
// carry one) and the caller's progress callback at most every 256 KiB.
#pragma once

#include <memory>
#include <string>

#include "archivekit/entry_output.h"
#include "rar_crypto.h"
#include "unrar.h"

namespace unrar {

class EntrySink : public archivekit::PacedOutput {
 public:
  // fd: the open output file, or -1. memory: collects the bytes (at most
  // kMemoryLimit of them) when not null.
  EntrySink(int fd, std::string* memory, PROCESSDATAPROC callback, bool blake2);
  // Also hands every piece on to next (a worker's queue); its refusal cancels.
  void forward_to(archivekit::UnpackedOutput& next) { next_ = &next; }

  uint64_t written() const { return written_; }
  uint32_t crc32() const { return crc_; }
  Bytes32 blake2();
  bool cancelled() const { return cancelled_; }
  bool write_failed() const { return writeFailed_; }

  static constexpr size_t kMemoryLimit = 64 * 1024;

 private:
  bool write_piece(const uint8_t* data, size_t size) override;

  int fd_;
  std::string* memory_;
  PROCESSDATAPROC callback_;
  archivekit::UnpackedOutput* next_ = nullptr;
  std::unique_ptr<Blake2sp> blake2_;
  uint64_t written_ = 0;
  uint32_t crc_ = 0;
  bool cancelled_ = false;
  bool writeFailed_ = false;
};

}  // namespace unrar
