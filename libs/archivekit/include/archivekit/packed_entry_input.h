// The packed data of one entry as one stream: its parts in consecutive volumes
// joined, and decrypted when a cipher is given (its state runs on across the
// volume boundaries). Where the parts lie is the library's reader's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "archivekit/decoder_io.h"
#include "archivekit/volume_file.h"

namespace archivekit {

// Decrypts packed data as it is read; the state runs on from one call to the next.
class BlockDecryptor {
 public:
  virtual ~BlockDecryptor() = default;
  // Data is decrypted in whole blocks of this many bytes; a cut-off block cannot be.
  virtual size_t block_size() const = 0;
  // size is a multiple of block_size(); false when the cipher refused the data.
  virtual bool decrypt(uint8_t* data, size_t size) = 0;
};

// Where one part of an entry's packed data lies.
struct PackedPart {
  size_t volumeIndex = 0;   // as the library's reader counts its volumes
  uint64_t dataOffset = 0;  // in that volume
  uint64_t size = 0;
  bool continues = false;  // the entry goes on in the next volume
};

// The library's result codes for what goes wrong while reading; 0 is success in
// every library here.
struct ReadFailureCodes {
  int truncated;      // the volume ends before the data its header promises
  int undecryptable;  // the cipher refused the data
  int unreadable;     // the system could not read bytes the volume holds
};

class PackedEntryInput : public PackedInput {
 public:
  size_t read(uint8_t* buffer, size_t size) override;
  bool failed() const override { return failure_ != 0; }
  // The library's code for a failed read (a missing volume, a damaged header).
  int failure() const { return failure_; }
  // Moves past every remaining part without reading it; 0 or the failure's code.
  int skip_rest();
  // Moves past this volume's part only; false when the volume ends before it.
  bool skip_part();

 protected:
  PackedEntryInput(const PackedPart& first, std::unique_ptr<BlockDecryptor> cipher,
                   ReadFailureCodes codes)
      : part_(first), cipher_(std::move(cipher)), codes_(codes) {}
  // The entry's part in the next volume; 0, or the library's code for why there is none.
  virtual int next_part(PackedPart& next) = 0;
  // The open volume of that index; null when it is not open.
  virtual const VolumeFile* volume(size_t index) = 0;

 private:
  size_t read_raw(uint8_t* buffer, size_t size);
  bool advance();

  PackedPart part_;
  uint64_t offset_ = 0;  // within the current part
  std::unique_ptr<BlockDecryptor> cipher_;
  ReadFailureCodes codes_;
  std::vector<uint8_t> plain_;  // decrypted bytes not yet handed out
  size_t plainPos_ = 0;
  int failure_ = 0;
};

// The input of an entry of a library's reader: Reader has next_part(const Entry&
// current, Entry& next), returning 0 or the library's code, and volume(index);
// packed_part(const Entry&), found beside Entry, says where an entry's part lies.
template <typename Reader, typename Entry, ReadFailureCodes kCodes>
class ReaderEntryInput final : public PackedEntryInput {
 public:
  ReaderEntryInput(Reader& reader, const Entry& first, std::unique_ptr<BlockDecryptor> cipher)
      : PackedEntryInput(packed_part(first), std::move(cipher), kCodes),
        reader_(reader),
        part_(first) {}
  // The last part reached: it carries the checksum of the whole entry.
  const Entry& part() const { return part_; }

 private:
  int next_part(PackedPart& next) override {
    Entry following;
    const int result = reader_.next_part(part_, following);
    if (result != 0) return result;
    part_ = std::move(following);
    next = packed_part(part_);
    return 0;
  }
  const VolumeFile* volume(size_t index) override { return reader_.volume(index); }

  Reader& reader_;
  Entry part_;
};

}  // namespace archivekit
