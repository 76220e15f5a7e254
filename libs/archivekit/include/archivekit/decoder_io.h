// The seam between an archive layer and its decompression algorithms: the layer
// hands each entry's packed bytes (already decrypted, all volumes joined) to the
// decoder and receives the unpacked bytes in order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace archivekit {

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
  unsupported,    // a method, filter or mode we do not decode
  out_of_memory,  // the dictionary cannot be had
  stopped,        // UnpackedOutput::write returned false, or the input failed
};

}  // namespace archivekit
