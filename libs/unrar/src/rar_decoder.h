// The seam between the archive layer and the decompression algorithms: the layer
// hands each entry's packed bytes (already decrypted, all volumes joined) to the
// decoder of its algorithm and receives the unpacked bytes in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace unrar {

class PackedInput {
 public:
  virtual ~PackedInput() = default;
  // Up to size bytes of the entry's packed data; 0 at its end. A read error or a
  // missing volume is reported by the layer itself (failed() then tells).
  virtual size_t read(uint8_t* buffer, size_t size) = 0;
  virtual bool failed() const = 0;
};

class UnpackedOutput {
 public:
  virtual ~UnpackedOutput() = default;
  // False stops decoding (the caller cancelled or the write failed).
  virtual bool write(const uint8_t* data, size_t size) = 0;
};

enum class DecodeResult {
  ok,
  bad_data,       // the stream is damaged (or the password was wrong)
  unsupported,    // a method or filter we do not decode
  out_of_memory,  // the dictionary cannot be had
  stopped,        // UnpackedOutput::write returned false, or the input failed
};

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
