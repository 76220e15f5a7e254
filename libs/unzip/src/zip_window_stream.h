// Base of the decoders written here (shrink, reduce, implode, deflate64): their
// output goes into one buffer that keeps the history a method copies from, and
// leaves in pieces of bounded size, so the caller's progress callback runs between
// them however far the entry expands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "zip_bit_input.h"
#include "zip_stream.h"

namespace unzip {

class WindowDecoderStream : public ByteStream {
 public:
  long long read(unsigned char* buffer, std::size_t size) final;
  ReadStatus status() const final { return status_; }

 protected:
  // history: the farthest distance a copy reaches back; longest_step: the most
  // bytes one decoding step may write past the limit decode() is given.
  WindowDecoderStream(std::unique_ptr<ByteStream> raw, std::size_t history,
                      std::size_t longest_step);

  enum class Step {
    More,       // the limit was reached
    End,        // the stream is complete
    Invalid,    // the data is damaged
    Truncated,  // the input ended (or failed) before the data did
  };
  // Decodes into out_[pos_...] until pos_ reaches limit or the stream ends. Before
  // the first byte the history holds zeros.
  virtual Step decode(std::size_t limit) = 0;

  // Bytes decoded so far.
  uint64_t total_out() const { return slid_ + pos_ - history_; }

  BitInput in_;
  unsigned char* out_;
  std::size_t pos_;

 private:
  void slide();

  std::vector<unsigned char> window_;
  std::size_t history_;
  std::size_t delivered_;
  uint64_t slid_ = 0;
  bool ended_ = false;
  ReadStatus status_ = ReadStatus::Ok;
};

}  // namespace unzip
