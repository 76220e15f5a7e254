// RAR5 compression version 1: the same algorithm with 80 distance slots, so its
// tables hold 16 more lengths and its distances can pass 4 GiB. No archive of
// this version is at hand; the streams are written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "rar_decoder.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;

// Main symbols get 9-bit codes, low distances 4 and lengths 6. Distance slots:
// all 6 bits for version 0; for version 1 slots 0-47 get 6 bits and 48-79 7 bits.
class Version1Writer {
 public:
  explicit Version1Writer(int tableVersion) : slots_(tableVersion == 1 ? 80 : 64) {}

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
  // Length slot 0-43 with its extra bits, and any distance; expected grows by what
  // the match copies (zeros before the start).
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
  std::string expected;

  Bytes block() {
    Bytes packed;
    const size_t size = bytes_.size();
    const uint8_t flags = static_cast<uint8_t>(((bitCount_ - 1) % 8) | (2 << 3) | 0x40 | 0x80);
    const uint8_t sizeBytes[3] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                  static_cast<uint8_t>(size >> 16)};
    packed.push_back(flags);
    packed.push_back(0x5A ^ flags ^ sizeBytes[0] ^ sizeBytes[1] ^ sizeBytes[2]);
    packed.insert(packed.end(), sizeBytes, sizeBytes + 3);
    packed.insert(packed.end(), bytes_.begin(), bytes_.end());
    return packed;
  }

 private:
  void slot(unsigned s) {
    if (slots_ == 80 && s >= 48)
      put(96 + (s - 48), 7);
    else
      put(s, 6);
  }
  unsigned slots_;
  Bytes bytes_;
  size_t bitCount_ = 0;
};

class BytesInput : public PackedInput {
 public:
  explicit BytesInput(const Bytes& data) : data_(data) {}
  size_t read(uint8_t* buffer, size_t size) override {
    size = std::min({size, data_.size() - at_, size_t{1000}});
    if (size > 0) std::memcpy(buffer, data_.data() + at_, size);
    at_ += size;
    return size;
  }
  bool failed() const override { return false; }

 private:
  const Bytes& data_;
  size_t at_ = 0;
};

class StringOutput : public UnpackedOutput {
 public:
  bool write(const uint8_t* data, size_t size) override {
    text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string text;
};

struct Decoded {
  DecodeResult result;
  std::string text;
};

Decoded decode(Decoder& decoder, const Bytes& packed, uint64_t size) {
  BytesInput input(packed);
  StringOutput output;
  const DecodeResult result = decoder.decode_entry(input, output, size, false);
  return {result, std::move(output.text)};
}

Decoded decode(const Bytes& packed, uint64_t size, uint64_t dictionary, int version) {
  auto decoder = make_rar5_decoder(dictionary, version);
  EXPECT_TRUE(decoder);
  if (!decoder) return {DecodeResult::out_of_memory, {}};
  return decode(*decoder, packed, size);
}

// Text and matches over many distance slots, near and far, with lengths that
// take extra bits.
Version1Writer varied_matches(int tableVersion) {
  Version1Writer w(tableVersion);
  w.tables();
  w.literals("version one of the larger table");
  w.match(4, 4);
  w.match(3, 17);
  w.literals("!");
  w.match(9, 12, 1);
  for (uint64_t distance = 1; distance < 900000; distance = distance * 3 + 1) {
    w.literals("<" + std::to_string(distance) + ">");
    w.match(distance % 20, distance, distance % 2);
  }
  return w;
}

TEST(Rar5Version1, TheLargerTableDecodesOnlyAsVersion1) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    Version1Writer w = varied_matches(version);
    const Decoded out = decode(w.block(), w.expected.size(), 1 << 20, version);
    EXPECT_EQ(out.result, DecodeResult::ok);
    EXPECT_EQ(out.text, w.expected);

    // Read with the other version's layout, lengths land in the wrong tables.
    const Decoded crossed = decode(w.block(), w.expected.size(), 1 << 20, 1 - version);
    EXPECT_FALSE(crossed.result == DecodeResult::ok && crossed.text == w.expected);
  }
}

// 16 MiB of output and then a match back to the first bytes: distance slot 48,
// the first with a 7-bit code in the version 1 table.
TEST(Rar5Version1, SlowAFarMatchThroughALongSlotCodeCopiesTheRightBytes) {
  constexpr uint64_t kFar = (uint64_t{16} << 20) + 5;
  Version1Writer w(1);
  w.tables();
  w.literals("marker:");
  uint64_t position = 7;
  w.literals("-");
  ++position;
  // Length slot 43 with all extra bits: 4097 bytes a time, +0 bonus at distance 1.
  while (position + 4097 <= kFar) {
    w.match(43, 1, 511);
    position += 4097;
  }
  w.literals(std::string(kFar - position, '-'));
  position = kFar;
  w.match(5, kFar);  // length 7, plus 3 for the distance
  const Decoded out = decode(w.block(), kFar + 10, 32 << 20, 1);
  ASSERT_EQ(out.result, DecodeResult::ok);
  ASSERT_EQ(out.text.size(), kFar + 10);
  EXPECT_EQ(out.text.substr(kFar), "marker:---");
  EXPECT_TRUE(out.text == w.expected);
}

// Slots 64-79 stand for distances above 4 GiB, beyond any dictionary this decoder
// opens: the match fails instead of wrapping to a near distance.
TEST(Rar5Version1, DistancesAbove4GiBAreBadDataForEverySlot) {
  auto decoder = make_rar5_decoder(uint64_t{4} << 20, 1);
  ASSERT_TRUE(decoder);
  for (unsigned slot = 64; slot < 80; ++slot) {
    const unsigned b = slot / 2 - 1;
    const uint64_t lowest = 1 + (uint64_t{2u | (slot & 1)} << b);
    const uint64_t highest = lowest + ((uint64_t{1} << b) - 1);
    for (uint64_t distance : {lowest, highest}) {
      SCOPED_TRACE(testing::Message() << "slot " << slot << " distance " << distance);
      Version1Writer w(1);
      w.tables();
      w.literals("abcd");
      w.match(0, distance);
      w.literals("ef");
      EXPECT_EQ(decode(*decoder, w.block(), 4 + 2 + 2).result, DecodeResult::bad_data);
    }
  }
}

// Version 1 dictionaries need not be powers of two (1 MiB and 8/32 of it here):
// the limit on distances is the dictionary, not the window rounded up from it.
TEST(Rar5Version1, AFractionalDictionaryBoundsDistancesExactly) {
  constexpr uint64_t kDictionary = (1 << 20) + (1 << 20) / 32 * 8;
  auto decoder = make_rar5_decoder(kDictionary, 1);
  ASSERT_TRUE(decoder);
  for (const auto& [distance, expected] : {std::pair{kDictionary, DecodeResult::ok},
                                           std::pair{kDictionary + 1, DecodeResult::bad_data}}) {
    SCOPED_TRACE(distance);
    Version1Writer w(1);
    w.tables();
    w.literals("ab");
    w.match(0, distance);
    EXPECT_EQ(decode(*decoder, w.block(), 2 + 2 + 3).result, expected);
  }
}

}  // namespace
}  // namespace unrar
