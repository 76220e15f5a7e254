// The seam between the archive layer and the decompression algorithms: the layer
// hands each entry's packed bytes (already decrypted, all volumes joined) to the
// decoder and receives the unpacked bytes in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace unace {

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
  // False stops decoding (the write failed).
  virtual bool write(const uint8_t* data, size_t size) = 0;
};

enum class DecodeResult {
  ok,
  bad_data,       // the stream is damaged (or the password was wrong)
  unsupported,    // a compression type or mode we do not decode
  out_of_memory,  // the dictionary cannot be had
  stopped,        // UnpackedOutput::write returned false, or the input failed
};

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
                                    uint64_t unpackedSize, CompressionType type,
                                    bool solid) = 0;
};

// dictionaryBits: the largest dictionary of the archive's entries, 1 << bits bytes
// (10..22). Null when the dictionary cannot be allocated or bits is out of range.
std::unique_ptr<Decoder> make_decoder(unsigned dictionaryBits);

}  // namespace unace
