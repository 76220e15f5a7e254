// Packed input and unpacked output of the decoder tests: bytes in memory, an
// input that can fail at its end, an output that can refuse to write.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ace_decoder.h"

namespace decoder_test {

class BytesInput : public unace::PackedInput {
 public:
  explicit BytesInput(std::vector<uint8_t> bytes, bool failsAtEnd = false)
      : bytes_(std::move(bytes)), failsAtEnd_(failsAtEnd) {}
  size_t read(uint8_t* buffer, size_t size) override {
    // Small pieces, so the reader's refilling is exercised too.
    const size_t n = std::min({size, bytes_.size() - at_, size_t{1000}});
    if (n != 0) std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }
  bool failed() const override { return failsAtEnd_ && at_ == bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
  size_t at_ = 0;
  bool failsAtEnd_;
};

class StringOutput : public unace::UnpackedOutput {
 public:
  explicit StringOutput(size_t refuseAfter = SIZE_MAX) : refuseAfter_(refuseAfter) {}
  bool write(const uint8_t* data, size_t size) override {
    if (text.size() + size > refuseAfter_) return false;
    text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string text;

 private:
  size_t refuseAfter_;
};

struct Decoded {
  unace::DecodeResult result;
  std::string text;
};

inline Decoded decode(unace::Decoder& decoder, const std::vector<uint8_t>& packed, uint64_t size,
                      unace::CompressionType type, bool solid = false) {
  BytesInput input(packed);
  StringOutput output;
  const unace::DecodeResult result = decoder.decode_entry(input, output, size, type, solid);
  return {result, output.text};
}

inline Decoded decode(const std::vector<uint8_t>& packed, uint64_t size,
                      unace::CompressionType type) {
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(15);
  return decode(*decoder, packed, size, type);
}

}  // namespace decoder_test
