// LZMA2 decoding of our own, for 7z folders and xz blocks whose only filter is LZMA2
// (the common case). liblzma 5.4 checks its input before every bit and calls memcpy
// for every match; this decoder takes a whole chunk at a time, checks its input once
// per symbol and copies short matches itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace archivekit {

class Lzma2Decoder {
 public:
  enum class Result { more, end, bad_data, no_memory };

  // windowSize: the dictionary the coder's properties ask for, already bounded by the
  // size of what it decodes.
  explicit Lzma2Decoder(uint32_t windowSize) : windowSize_(windowSize) {}

  // Decodes from input (finish: nothing follows it) into out: what it used and made.
  // A chunk is taken only whole, so with less than a chunk at hand it uses nothing.
  Result decode(const uint8_t* input, size_t inputSize, bool finish, size_t& consumed, uint8_t* out,
                size_t outSize, size_t& produced);

 private:
  enum class Chunk { none, stored, packed };

  // The chunk header at input: its whole size, or 0 while more input is needed.
  Result start_chunk(const uint8_t* input, size_t inputSize, size_t& used);
  bool set_properties(uint8_t properties);
  void reset_state();
  void write_stored(size_t count);
  // Decodes symbols into the window until its position reaches limit or the chunk ends.
  bool decode_symbols(size_t limit);

  uint32_t windowSize_;
  std::unique_ptr<uint8_t[]> window_;  // the history, circular: windowSize_ plus room
  size_t windowEnd_ = 0;               // where the circle turns
  size_t position_ = 0;
  uint64_t total_ = 0;  // bytes since the dictionary was last reset
  bool needDictionaryReset_ = true;
  bool needProperties_ = true;

  std::vector<uint8_t> chunkInput_;  // the packed chunk, with readable zeros after it
  const uint8_t* in_ = nullptr;
  const uint8_t* inEnd_ = nullptr;
  Chunk chunk_ = Chunk::none;
  uint32_t chunkLeft_ = 0;  // unpacked bytes still to come from this chunk

  uint32_t range_ = 0, code_ = 0;
  unsigned lc_ = 0, lp_ = 0, pb_ = 0;
  unsigned state_ = 0;
  uint32_t reps_[4] = {};
  uint32_t pendingLength_ = 0;  // of a match cut short by the output's end
  std::vector<uint16_t> probabilities_;
};

}  // namespace archivekit
