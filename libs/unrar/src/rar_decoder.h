// The decoders of every RAR version; they read and write through the kit's seam
// between the archive layer and the decompression algorithms.
#pragma once

#include <cstdint>
#include <memory>

#include "archivekit/decoder_io.h"

namespace unrar {

using archivekit::DecodeResult;
using archivekit::PackedInput;
using archivekit::UnpackedOutput;

// One decoder per archive: a solid archive's entries continue in the same window
// and tables; a non-solid entry starts afresh.
class Decoder {
 public:
  virtual ~Decoder() = default;
  // Decodes exactly unpackedSize bytes of one entry.
  virtual DecodeResult decode_entry(PackedInput& input, UnpackedOutput& output,
                                    uint64_t unpackedSize, bool solid) = 0;
};

// Dictionary sizes come from the entry header; each returns null when the window
// cannot be allocated (the caller reports out_of_memory).
// RAR 1.5 (unpack version 15): the adaptive scheme with flag bits and short/long matches.
std::unique_ptr<Decoder> make_rar15_decoder(uint64_t dictionarySize);
// RAR 2.0 (unpack versions 20 and 26): LZ and the multimedia (audio) mode.
std::unique_ptr<Decoder> make_rar20_decoder(uint64_t dictionarySize);
std::unique_ptr<Decoder> make_rar29_decoder(uint64_t dictionarySize);
// version: the RAR5 compression version (0, or 1 with the larger distance table).
std::unique_ptr<Decoder> make_rar5_decoder(uint64_t dictionarySize, int version);

}  // namespace unrar
