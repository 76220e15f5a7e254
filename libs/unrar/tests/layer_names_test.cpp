// Volume names in every scheme and RAR 1.5-4 entry names.
#include <gtest/gtest.h>

#include "rar4_names.h"
#include "volume_names.h"

namespace unrar {
namespace {

TEST(VolumeNames, NewSchemeCountsTheNumberInTheName) {
  EXPECT_EQ(next_volume_name("d/a.part1.rar", true), "d/a.part2.rar");
  EXPECT_EQ(next_volume_name("a.part09.rar", true), "a.part10.rar");
  EXPECT_EQ(next_volume_name("a.part1.exe", true), "a.part2.rar");
  EXPECT_EQ(next_volume_name("a.001", true), "a.002");
  EXPECT_EQ(next_volume_name("set.part1of5.rar", true), "set.part2of5.rar");
  // Digits in the folder part are never the number.
  EXPECT_EQ(next_volume_name("disk7/a.rar", true), "disk7/a.r00");
}

TEST(VolumeNames, OldSchemeCountsTheExtension) {
  EXPECT_EQ(next_volume_name("a.rar", false), "a.r00");
  EXPECT_EQ(next_volume_name("a", false), "a.r00");
  EXPECT_EQ(next_volume_name("a.r99", false), "a.s00");
  EXPECT_EQ(next_volume_name("a.z99", false), "a.a00");  // round to "a.r00" in time
  EXPECT_EQ(next_volume_name("a.999", false), "a.a00");
  EXPECT_EQ(next_volume_name("v1.2/a.r09", false), "v1.2/a.r10");
}

std::string name_of(const std::string& field, bool unicode) {
  std::string codePageBytes;
  return decode_rar4_name(reinterpret_cast<const uint8_t*>(field.data()), field.size(), unicode,
                          codePageBytes);
}

TEST(Rar4Names, LegacyNamesBecomeUtf8WithSlashes) {
  EXPECT_EQ(name_of("dir\\file.txt", false), "dir/file.txt");
  // Code page 437 unless the bytes are UTF-8 already.
  EXPECT_EQ(name_of("\x84\x81.txt", false), "\xC3\xA4\xC3\xBC.txt");
  EXPECT_EQ(name_of("\xC3\xA4.txt", false), "\xC3\xA4.txt");
  // Four-byte characters, also last in the name.
  EXPECT_EQ(name_of("\xF0\x9D\x90\x80.txt", false), "\xF0\x9D\x90\x80.txt");
  EXPECT_EQ(name_of("a\xF0\x9D\x90\x80", false), "a\xF0\x9D\x90\x80");
  // A surrogate's or an overlong form's bytes are no UTF-8: code page 437 again.
  EXPECT_EQ(name_of("\xED\xA0\x80", false), "\xCF\x86\xC3\xA1\xC3\x87");
  EXPECT_EQ(name_of("\xF0\x80\x80\x80", false), "\xE2\x89\xA1\xC3\x87\xC3\x87\xC3\x87");
}

TEST(Rar4Names, PackedUnicodeForm) {
  // "ab" then packed: high byte 0x04; flags 0b11 01 00 00: copy 2 from the legacy
  // name, then 0x30 + (0x04 << 8) = U+0430, then a plain 'c'.
  const std::string field(
      "ab\0\x04\xD0\x00\x30"
      "c",
      8);
  EXPECT_EQ(name_of(field, true),
            "ab\xD0\xB0"
            "c");
  // Without the packed part the legacy name stands.
  EXPECT_EQ(name_of("plain", true), "plain");
}

}  // namespace
}  // namespace unrar
