// What the decoder tests share: packed streams written symbol by symbol with the
// test packer's tables, packed input in small pieces, and output kept in a string.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ace_decoder.h"
#include "support/ace_packer.h"

namespace decoder_test {

using tessaly::testing::AceBitWriter;
using tessaly::testing::AceCode;
using tessaly::testing::AceWriteTable;

// LZ77 symbols with tables where every main symbol has 9 bits and every length
// symbol 8, so that any symbol can be written.
class Lz77Writer {
 public:
  AceBitWriter bits;

  void block(uint32_t symbols) {
    main_ = AceWriteTable(bits, std::vector<uint8_t>(284, 9));
    lengths_ = AceWriteTable(bits, std::vector<uint8_t>(256, 8));
    bits.put(symbols, 15);
  }
  void symbol(unsigned s) { bits.put(main_.at(s).bits, main_.at(s).width); }
  void literals(const std::string& text) {
    for (unsigned char c : text) symbol(c);
  }
  // A match with a distance sent in full (distance = bytes back - 1).
  void match(uint32_t distance, unsigned length) {
    unsigned width = 0;
    while (width < 32 && (distance >> width) != 0) ++width;
    symbol(260 + width);
    if (width >= 2) bits.put(distance - (1u << (width - 1)), width - 1);
    const unsigned shortest = distance <= 255 ? 2 : distance <= 8191 ? 3 : 4;
    const AceCode& code = lengths_.at(length - shortest);
    bits.put(code.bits, code.width);
  }
  void mode_change(unsigned mode) {
    symbol(283);
    bits.put(mode, 8);
  }

 private:
  std::vector<AceCode> main_;
  std::vector<AceCode> lengths_;
};

class BytesInput : public unace::PackedInput {
 public:
  explicit BytesInput(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t read(uint8_t* buffer, size_t size) override {
    // Small pieces, so the reader's refilling is exercised too.
    const size_t n = std::min({size, bytes_.size() - at_, size_t{1000}});
    if (n != 0) std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }
  bool failed() const override { return false; }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

class StringOutput : public unace::UnpackedOutput {
 public:
  bool write(const uint8_t* data, size_t size) override {
    text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string text;
};

struct Decoded {
  unace::DecodeResult result;
  std::string text;
};

inline Decoded decode(unace::Decoder& decoder, const std::string& packed, uint64_t size,
                      unace::CompressionType type) {
  BytesInput input(packed);
  StringOutput output;
  const unace::DecodeResult result = decoder.decode_entry(input, output, size, type, false);
  return {result, output.text};
}

inline Decoded decode(const std::string& packed, uint64_t size, unace::CompressionType type) {
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(15);
  return decode(*decoder, packed, size, type);
}

}  // namespace decoder_test
