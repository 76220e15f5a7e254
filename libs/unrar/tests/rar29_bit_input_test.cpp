// The bit reader against a plain bit-by-bit reading of the same bytes: across the
// refills of its buffer and reservoir, in reads of every width, and at the end of
// the data, where the bits read as zero and a read past them marks the overrun.
#include <gtest/gtest.h>

#include <random>

#include "decoder_test_support.h"
#include "rar29_bit_input.h"

namespace unrar {
namespace {

using test::Bytes;
using test::BytesInput;

// Bit at of the data, first bit highest; zero past the end.
uint32_t bit_at(const Bytes& data, size_t at) {
  return at / 8 < data.size() ? (data[at / 8] >> (7 - at % 8)) & 1 : 0;
}

uint32_t bits_at(const Bytes& data, size_t at, unsigned count) {
  uint32_t value = 0;
  for (unsigned i = 0; i < count; ++i) value = (value << 1) | bit_at(data, at + i);
  return value;
}

Bytes random_bytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

TEST(Rar29BitInput, ReadsOfEveryWidthMatchTheBitsAcrossBufferRefills) {
  // Over two buffers' worth, handed over in odd-sized reads.
  const Bytes data = random_bytes(150'000, 7);
  BytesInput input(data, 997);
  Rar29BitInput reader;
  reader.reset(input);
  std::mt19937 random(11);
  size_t at = 0;
  while (at + 64 < data.size() * 8) {
    const unsigned width = 1 + random() % 16;
    switch (random() % 4) {
      case 0:
        ASSERT_EQ(reader.get(width), bits_at(data, at, width)) << "at bit " << at;
        at += width;
        break;
      case 1:
        ASSERT_EQ(reader.peek16(), bits_at(data, at, 16)) << "at bit " << at;
        reader.skip(width);
        at += width;
        break;
      case 2:
        reader.align_to_byte();
        at = (at + 7) / 8 * 8;
        ASSERT_EQ(reader.next_byte(), static_cast<int>(data[at / 8])) << "at bit " << at;
        at += 8;
        break;
      default: {
        // A tight loop's copy of the reservoir, refilled and handed back.
        Rar29BitInput::Reservoir bits = reader.reservoir();
        if (bits.count < 16) bits = reader.refilled(bits);
        ASSERT_GE(bits.count, 16u);
        ASSERT_EQ(bits.bits >> 48, bits_at(data, at, 16)) << "at bit " << at;
        bits.bits <<= width;
        bits.count -= width;
        at += width;
        reader.set_reservoir(bits);
      }
    }
  }
  EXPECT_FALSE(reader.overrun());
}

TEST(Rar29BitInput, BitsPastTheEndReadAsZeroAndOnlyAReadBeyondTheLastBitOverruns) {
  const Bytes data = {0xA5, 0xFF, 0x3C};
  BytesInput input(data, 1);
  Rar29BitInput reader;
  reader.reset(input);
  EXPECT_TRUE(reader.bytes_left(3));
  EXPECT_FALSE(reader.bytes_left(4));
  EXPECT_EQ(reader.get(4), 0xAu);
  // The byte being read counts as left.
  EXPECT_TRUE(reader.bytes_left(3));
  EXPECT_EQ(reader.peek16(), 0x5FF3u);
  reader.skip(12);
  EXPECT_EQ(reader.peek16(), 0x3C00u);
  EXPECT_FALSE(reader.bytes_left(2));
  reader.skip(8);
  EXPECT_FALSE(reader.overrun());
  EXPECT_FALSE(reader.bytes_left(1));
  EXPECT_EQ(reader.next_byte(), -1);
  EXPECT_FALSE(reader.overrun());
  EXPECT_EQ(reader.get(1), 0u);
  EXPECT_TRUE(reader.overrun());
  EXPECT_EQ(reader.peek16(), 0u);

  // A fresh entry starts over, with nothing of the last one left in the reservoir.
  const Bytes next = {0x81};
  BytesInput nextInput(next);
  reader.reset(nextInput);
  EXPECT_FALSE(reader.overrun());
  EXPECT_EQ(reader.peek16(), 0x8100u);
  reader.skip(9);
  EXPECT_TRUE(reader.overrun());
}

TEST(Rar29BitInput, AnEntryShorterThanTheReservoirKeepsItsLastBitsExact) {
  for (size_t size = 1; size <= 10; ++size) {
    const Bytes data = random_bytes(size, static_cast<uint32_t>(size));
    BytesInput input(data, 3);
    Rar29BitInput reader;
    reader.reset(input);
    size_t at = 0;
    for (; at + 5 <= size * 8; at += 5) ASSERT_EQ(reader.get(5), bits_at(data, at, 5)) << size;
    EXPECT_FALSE(reader.overrun()) << size;
    EXPECT_EQ(reader.get(5), bits_at(data, at, 5)) << size;
    EXPECT_TRUE(reader.overrun()) << size;
  }
}

}  // namespace
}  // namespace unrar
