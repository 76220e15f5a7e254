// Base of the window decoders (ZIP's shrink, reduce and implode, and deflate64):
// their output goes into one buffer that keeps the history a method copies from,
// and leaves in pieces of bounded size, so the caller's progress callback runs
// between them however far the data expands. A decoder is itself packed input to
// the stage above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archivekit/bit_input.h"
#include "archivekit/decoder_io.h"

namespace archivekit {

class WindowDecoder : public PackedInput {
 public:
  // Up to size decoded bytes; 0 at the end or on a failure.
  size_t read(uint8_t* buffer, size_t size) final;
  bool failed() const final { return failure_ != Failure::none; }
  enum class Failure {
    none,
    damaged,  // the data is damaged or cut short
    input,    // the input below failed; it knows why
  };
  Failure failure() const { return failure_; }

 protected:
  // history: the farthest distance a copy reaches back; longest_step: the most
  // bytes one decoding step may write past the limit decode() is given.
  WindowDecoder(std::unique_ptr<PackedInput> raw, std::size_t history, std::size_t longest_step);

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
  // The input failed, or ended before the data did.
  Failure cut_short() const { return in_.raw_failed() ? Failure::input : Failure::damaged; }

  std::vector<unsigned char> window_;
  std::size_t history_;
  std::size_t delivered_;
  uint64_t slid_ = 0;
  bool ended_ = false;
  Failure failure_ = Failure::none;
};

}  // namespace archivekit
