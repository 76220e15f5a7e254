// The LZ window of a RAR 1.5/2.0-era stream and the way its bytes leave: in order,
// in pieces of at most 256 KiB, and only those that belong to the current file
// (a match may run past a file's end into the window).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "rar_decoder.h"

namespace unrar {

class Rar20Window {
 public:
  // Null when the window cannot be allocated; size is a power of two.
  static std::unique_ptr<Rar20Window> create(size_t size);

  // A fresh stream: nothing decoded yet.
  void reset_stream();
  // The next unpackedSize bytes decoded are the new file's (UINT64_MAX: unknown).
  void begin_file(uint64_t unpackedSize);

  uint64_t position() const { return position_; }
  bool file_complete() const { return position_ >= fileEnd_; }

  void put(uint8_t byte) { data_[position_++ & mask_] = byte; }
  // False for a distance the window cannot hold. Bytes before the start of the
  // stream read as zeros.
  bool copy(uint32_t length, uint32_t distance);

  bool needs_flush() const { return position_ - written_ >= flushAt_; }
  // Hands the file's decoded bytes not yet written to output.
  DecodeResult flush(UnpackedOutput& output);

 private:
  Rar20Window(std::unique_ptr<uint8_t[]> data, size_t size);

  std::unique_ptr<uint8_t[]> data_;
  uint64_t mask_;
  uint64_t flushAt_;
  uint64_t position_ = 0;
  uint64_t written_ = 0;
  uint64_t fileEnd_ = 0;
};

}  // namespace unrar
