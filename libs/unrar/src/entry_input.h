// The packed data of one entry as one stream: its parts in consecutive volumes
// joined, and decrypted when a cipher is given (its state runs on across the
// volume boundaries).
#pragma once

#include <memory>
#include <vector>

#include "archive_entry.h"
#include "archive_reader.h"
#include "packed_cipher.h"
#include "rar_decoder.h"

namespace unrar {

class EntryInput : public PackedInput {
 public:
  EntryInput(ArchiveReader& reader, const ArchiveEntry& first,
             std::unique_ptr<PackedCipher> cipher);
  size_t read(uint8_t* buffer, size_t size) override;
  bool failed() const override { return failure_ != 0; }
  // The ERAR_* code of a failed read (a missing volume, a damaged header).
  int failure() const { return failure_; }
  // Moves past every remaining part without reading it; an ERAR_* code.
  int skip_rest();
  // The last part read: it carries the checksum of the whole entry.
  const ArchiveEntry& part() const { return part_; }
  bool all_parts_read() const { return !part_.splitAfter && offset_ == part_.packSize; }

 private:
  size_t read_raw(uint8_t* buffer, size_t size);
  bool next_part();

  ArchiveReader& reader_;
  ArchiveEntry part_;
  uint64_t offset_ = 0;  // within the current part
  std::unique_ptr<PackedCipher> cipher_;
  std::vector<uint8_t> plain_;  // decrypted bytes not yet handed out
  size_t plainPos_ = 0;
  int failure_ = 0;
};

}  // namespace unrar
