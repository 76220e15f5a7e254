// Writes RAR5 compressed blocks for the decoder tests. Every symbol of a table gets
// the same code length, so a symbol's code is simply its number in that many bits:
// main symbols 9, low distances 4, lengths 6, distance slots 6 (for compression
// version 1, whose table has 80 slots, slots 48-79 take 7). The bytes the written
// symbols stand for grow in expected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unrar::test {

class Rar5StreamWriter {
 public:
  explicit Rar5StreamWriter(int tableVersion = 0) : slots_(tableVersion == 1 ? 80 : 64) {}

  void put(uint64_t value, unsigned count) {
    while (count-- > 0) {
      if (bitCount_ % 8 == 0) bytes_.push_back(0);
      if ((value >> count) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (bitCount_ % 8));
      ++bitCount_;
    }
  }
  void tables() {
    for (int i = 0; i < 20; ++i) put(5, 4);
    for (int i = 0; i < 306; ++i) put(9, 5);
    for (unsigned slot = 0; slot < slots_; ++slot) put(slot < 48 || slots_ == 64 ? 6 : 7, 5);
    for (int i = 0; i < 16; ++i) put(4, 5);
    for (int i = 0; i < 44; ++i) put(6, 5);
  }
  void literals(const std::string& text) {
    for (unsigned char c : text) put(c, 9);
    expected += text;
  }
  // Length slot 0-43 with its extra bits, and any distance (zeros before the start).
  void match(unsigned lengthSlot, uint64_t distance, uint64_t lengthExtra = 0) {
    put(262 + lengthSlot, 9);
    uint64_t length = 2 + lengthSlot;
    if (lengthSlot >= 8) {
      const unsigned bits = lengthSlot / 4 - 1;
      length = 2 + ((4 + (lengthSlot & 3)) << bits) + lengthExtra;
      put(lengthExtra, bits);
    }
    length += (distance > 0x100) + (distance > 0x2000) + (distance > 0x40000);
    for (uint64_t i = 0; i < length && distance <= (uint64_t{1} << 32); ++i)
      expected += distance > expected.size() ? '\0' : expected[expected.size() - distance];
    const uint64_t d = distance - 1;
    if (d < 4) return slot(static_cast<unsigned>(d));
    const unsigned b = 62 - static_cast<unsigned>(__builtin_clzll(d));
    const unsigned s = 2 * (b + 1) + static_cast<unsigned>((d >> b) & 1);
    const uint64_t extra = d - (uint64_t{2u | (s & 1)} << b);
    slot(s);
    if (b < 4) return put(extra, b);
    put(extra >> 4, b - 4);
    put(extra & 15, 4);
  }
  // The block so far: header, check byte, size, data.
  std::vector<uint8_t> block(bool last = true, bool hasTables = true) const {
    const size_t size = bytes_.size();
    const uint8_t flags =
        static_cast<uint8_t>(((bitCount_ - 1) % 8) | (2 << 3) | (last << 6) | (hasTables << 7));
    const uint8_t sizeBytes[3] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                  static_cast<uint8_t>(size >> 16)};
    std::vector<uint8_t> packed = {
        flags, static_cast<uint8_t>(0x5A ^ flags ^ sizeBytes[0] ^ sizeBytes[1] ^ sizeBytes[2]),
        sizeBytes[0], sizeBytes[1], sizeBytes[2]};
    packed.insert(packed.end(), bytes_.begin(), bytes_.end());
    return packed;
  }

  std::string expected;

 private:
  void slot(unsigned s) {
    if (slots_ == 80 && s >= 48)
      put(96 + (s - 48), 7);
    else
      put(s, 6);
  }
  unsigned slots_;
  std::vector<uint8_t> bytes_;
  size_t bitCount_ = 0;
};

}  // namespace unrar::test
