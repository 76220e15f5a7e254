// The LZ window of a RAR 2.9 stream and the way its bytes leave: in order, in
// pieces of at most 256 KiB, through any pending filters, and only the bytes
// that belong to the current file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

#include "rar29_filter_records.h"
#include "rar_decoder.h"

namespace unrar {

class Rar29Window {
 public:
  static constexpr size_t kMaxPiece = 256 * 1024;

  // Null when the window cannot be allocated; size is a power of two.
  static std::unique_ptr<Rar29Window> create(size_t size);

  uint64_t size() const { return mask_ + 1; }
  // A fresh stream: nothing decoded yet.
  void reset_stream();
  // The next unpackedSize bytes decoded are the new file's; unknownSize lets the
  // stream's end marker alone end it.
  void begin_file(uint64_t unpackedSize, bool unknownSize);

  uint64_t position() const { return position_; }
  uint64_t file_end() const { return fileEnd_; }
  std::deque<PendingFilter>& pending() { return pending_; }

  void put(uint8_t byte) { data_[position_++ & mask_] = byte; }
  // Puts the symbols next() gives while they are literals (0-255) and the position
  // is below limit; returns the first other symbol, or kLimitReached.
  static constexpr int kLimitReached = -2;
  template <typename NextSymbol>
  int put_literals(uint64_t limit, NextSymbol&& next) {
    // Locals: the stores into the window would otherwise make every member reload.
    uint8_t* const data = data_.get();
    const uint64_t mask = mask_;
    uint64_t position = position_;
    int symbol = kLimitReached;
    while (position < limit) {
      symbol = next();
      if (static_cast<unsigned>(symbol) > 0xFF) break;
      data[position++ & mask] = static_cast<uint8_t>(symbol);
      symbol = kLimitReached;
    }
    position_ = position;
    return symbol;
  }
  // False for a distance the window cannot hold.
  bool copy(uint32_t length, uint64_t distance);

  bool needs_flush() const { return position_ - written_ >= kMaxPiece; }
  // The position from which needs_flush() holds.
  uint64_t flush_point() const { return written_ + kMaxPiece; }
  // Hands over every byte that no pending filter holds back.
  DecodeResult flush(UnpackedOutput& output);
  // After the file's last symbol: everything written, no filter left incomplete.
  DecodeResult finish_file(UnpackedOutput& output, bool endMarkerSeen);

 private:
  // calloc: a large window then comes as fresh zero pages, not written by a memset.
  struct FreeBytes {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
  };
  using Bytes = std::unique_ptr<uint8_t[], FreeBytes>;

  Rar29Window(Bytes data, size_t size);
  DecodeResult emit_window(uint64_t from, uint64_t to, UnpackedOutput& output);
  DecodeResult emit_bytes(const uint8_t* bytes, uint64_t start, uint64_t end,
                          UnpackedOutput& output);
  DecodeResult run_filters(UnpackedOutput& output);

  Bytes data_;
  uint64_t mask_;
  uint64_t position_ = 0;
  uint64_t written_ = 0;
  uint64_t fileStart_ = 0;
  uint64_t fileEnd_ = 0;
  bool unknownSize_ = false;
  std::deque<PendingFilter> pending_;
  std::vector<uint8_t> filtered_;
  std::vector<uint8_t> scratch_;
};

}  // namespace unrar
