// The ACE decoder; it reads and writes through the kit's seam between the archive
// layer and the decompression algorithms.
#pragma once

#include <cstdint>
#include <memory>

#include "archivekit/decoder_io.h"

namespace unace {

using archivekit::DecodeResult;
using archivekit::PackedInput;
using archivekit::UnpackedOutput;

// Stored entries are copied as they are; in a solid archive their bytes still join
// the dictionary, since later entries refer back into them.
enum class CompressionType { Stored = 0, Lz77 = 1, Blocked = 2 };

// One decoder per archive: in a solid archive each entry continues in the same
// dictionary; a non-solid entry starts afresh (tables, repeat distances, modes).
class Decoder {
 public:
  virtual ~Decoder() = default;
  // Decodes exactly unpackedSize bytes of one entry.
  virtual DecodeResult decode_entry(PackedInput& input, UnpackedOutput& output,
                                    uint64_t unpackedSize, CompressionType type, bool solid) = 0;
};

// dictionaryBits: the largest dictionary of the archive's entries, 1 << bits bytes
// (10..22). Null when the dictionary cannot be allocated or bits is out of range.
std::unique_ptr<Decoder> make_decoder(unsigned dictionaryBits);

}  // namespace unace
