// A coder's output as a ByteStream: the input it pulls from the stream below, in a
// buffer, and exactly the unpacked size its folder records, no more and no less.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

class DecoderStream : public ByteStream {
 public:
  size_t read(uint8_t* out, size_t size) final;

 protected:
  DecoderStream(std::unique_ptr<ByteStream> source, uint64_t outSize);

  // What one decoding step did.
  enum class Step { more, end, bad_data, no_memory, unsupported };
  // Decodes from input (finish: nothing follows it) into out, telling what it used
  // and made.
  virtual Step decode(const uint8_t* input, size_t inputSize, bool finish, size_t& consumed,
                      uint8_t* out, size_t outSize, size_t& produced) = 0;

 private:
  // Moves the unused input to the front and appends more; false when the source failed.
  bool refill();

  std::unique_ptr<ByteStream> source_;
  std::vector<uint8_t> input_;
  size_t inputStart_ = 0, inputEnd_ = 0;
  bool inputEnded_ = false;
  bool ended_ = false;
  uint64_t remaining_;
};

}  // namespace un7z
