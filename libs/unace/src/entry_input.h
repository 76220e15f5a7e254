// The packed data of one entry as one stream: its parts in consecutive volumes
// joined, and decrypted when a cipher is given (the CBC chain runs on across the
// volume boundaries).
#pragma once

#include <memory>
#include <vector>

#include "ace_crypto.h"
#include "ace_decoder.h"
#include "archive_reader.h"

namespace unace {

class EntryInput : public PackedInput {
 public:
  EntryInput(ArchiveReader& reader, const AceEntry& first, std::unique_ptr<AceCbcDecryptor> cipher);
  size_t read(uint8_t* buffer, size_t size) override;
  bool failed() const override { return failure_ != 0; }
  // The ACE_* code of a failed read (a truncated volume, a missing volume).
  int failure() const { return failure_; }
  // Moves past every remaining part without reading it; an ACE_* code.
  int skip_rest();
  // Moves past this volume's part only: ACE_READ_ERROR when the volume ends
  // before it.
  int skip_part();
  // The last part reached: its header carries the CRC of the whole entry.
  const AceEntry& part() const { return part_; }

 private:
  size_t read_raw(uint8_t* buffer, size_t size);
  bool next_part();

  ArchiveReader& reader_;
  AceEntry part_;
  uint64_t offset_ = 0;  // within the current part
  std::unique_ptr<AceCbcDecryptor> cipher_;
  std::vector<uint8_t> plain_;  // decrypted bytes not yet handed out
  size_t plainPos_ = 0;
  int failure_ = 0;
};

}  // namespace unace
