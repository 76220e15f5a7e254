// The bit reader at the end of the data, where the bits read as zero and only a
// read past them marks the overrun; its refills are run by every RAR 2.9 file of
// the corpus.
#include <gtest/gtest.h>

#include "decoder_test_support.h"
#include "rar29_bit_input.h"

namespace unrar {
namespace {

using test::Bytes;
using test::BytesInput;

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

}  // namespace
}  // namespace unrar
