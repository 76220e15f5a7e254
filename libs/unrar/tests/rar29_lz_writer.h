// Writes RAR 2.9 LZ streams for tests: bits first-bit-highest as the decoder
// reads them, a block header with chosen main code lengths, literals, the end
// marker and filter records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unrar::rar29_test {

class BitWriter {
 public:
  void put(uint32_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      if (used_ % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  // Zero bits up to the next byte, where a block header starts.
  void align() {
    while (used_ % 8 != 0) put(0, 1);
  }
  // Numbers inside filter records: 6, 10, 18 or 34 bits.
  void number(uint32_t value) {
    if (value < 16) {
      put(0, 2), put(value, 4);
    } else if (value < 256) {
      put(1, 2), put(value, 8);
    } else if (value < 65536) {
      put(2, 2), put(value, 16);
    } else {
      put(3, 2), put(value >> 16, 16), put(value & 0xFFFF, 16);
    }
  }
  std::vector<uint8_t> bytes;

 private:
  size_t used_ = 0;
};

// An LZ block header with the given 299 main lengths (distances get 6 bits, the
// other tables 5), and main symbols written with those codes.
class LzTables {
 public:
  struct Code {
    uint32_t bits = 0;
    unsigned length = 0;
  };
  // The canonical code of each symbol: by length, then by symbol number.
  static std::vector<Code> canonical(const std::vector<uint8_t>& lengths) {
    std::vector<Code> codes(lengths.size());
    uint32_t next = 0;
    for (unsigned length = 1; length <= 15; ++length, next <<= 1)
      for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] == length) codes[s] = {next++, length};
    return codes;
  }

  explicit LzTables(std::vector<uint8_t> mainLengths) : lengths_(std::move(mainLengths)) {
    lengths_.resize(299 + 60, 6);
    lengths_.resize(299 + 60 + 17 + 28, 5);
    codes_ = canonical({lengths_.begin(), lengths_.begin() + 299});
  }
  // Every literal 9 bits, the other main symbols 7.
  static LzTables uniform() {
    std::vector<uint8_t> lengths(256, 9);
    lengths.resize(299, 7);
    return LzTables(lengths);
  }

  void header(BitWriter& out) const {
    out.put(0, 2);  // an LZ block, old lengths forgotten
    for (int i = 0; i < 20; ++i) out.put(i < 16 ? 4 : 0, 4);
    for (uint8_t length : lengths_) out.put(length, 4);
  }
  void symbol(BitWriter& out, int s) const { out.put(codes_[s].bits, codes_[s].length); }
  void text(BitWriter& out, const std::string& text) const {
    for (char c : text) symbol(out, static_cast<uint8_t>(c));
  }
  // The end of the file; newTables asks the next solid file to start with tables.
  void end_of_file(BitWriter& out, bool newTables = false) const {
    symbol(out, 256);
    out.put(newTables ? 1 : 0, 2);
  }
  // The end of the block without the end of the file: a block header follows.
  void end_of_block(BitWriter& out) const {
    symbol(out, 256);
    out.put(1, 1);
    out.align();
  }
  // Symbol 257 and a record whose flags are `flags` (its length in two bytes).
  void filter(BitWriter& out, const BitWriter& record, uint8_t flags) const {
    symbol(out, 257);
    out.put(flags | 7, 8);
    out.put(static_cast<uint32_t>(record.bytes.size()), 16);
    for (uint8_t byte : record.bytes) out.put(byte, 8);
  }

 private:
  std::vector<uint8_t> lengths_;
  std::vector<Code> codes_;
};

}  // namespace unrar::rar29_test
