#include "cp437.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp437, AsciiStaysAsItIs) {
  EXPECT_EQ(codepage::cp437_to_utf8("Read me.TXT"), "Read me.TXT");
  EXPECT_EQ(codepage::cp437_to_utf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp437, HighBytesBecomeTheirCharacters) {
  // Letters, a box-drawing piece, Greek and the non-breaking space at the very end.
  EXPECT_EQ(codepage::cp437_to_utf8("\x80\x81\x9A"), "\xC3\x87\xC3\xBC\xC3\x9C");
  EXPECT_EQ(codepage::cp437_to_utf8("\xC9\xE0\xFF"), "\xE2\x95\x94\xCE\xB1\xC2\xA0");
  EXPECT_EQ(codepage::cp437_code_point(0x9E), 0x20A7);
}

TEST(Cp437, Utf8EncodesEveryLength) {
  std::string out;
  for (const uint32_t code : {0x41u, 0xE9u, 0x20ACu, 0x1F600u}) codepage::append_utf8(out, code);
  EXPECT_EQ(out, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

}  // namespace
