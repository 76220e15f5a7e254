// The RAR 2.0 decoder on streams written bit by bit here: every kind of match, an
// encrypted multimedia entry across volumes, and a damaged old-style comment.
#include <gtest/gtest.h>

#include <string>

#include "api_support.h"
#include "decoder_test_support.h"
#include "rar20_stream_builder.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

using tessaly::testing::RarVolumeNaming;
using tessaly::testing::WriteRarVolumes;
using unrar::DecodeResult;

struct Decoded {
  DecodeResult result;
  std::string text;
};

Decoded decode_once(const std::string& packed, uint64_t size) {
  auto decoder = unrar::make_rar20_decoder(1u << 20);
  const unrar::test::Decoded got =
      unrar::test::decode(*decoder, unrar::test::Bytes(packed.begin(), packed.end()), size);
  return {got.result, got.text()};
}

// What an LZ copy appends, byte by byte (overlapping copies repeat the pattern).
void append_copy(std::string& text, size_t length, size_t distance) {
  for (size_t i = 0; i < length; ++i) text += text[text.size() - distance];
}

void put_literals(BitWriter& out, const std::string& text) {
  for (const char ch : text) FlatLz::symbol(out, static_cast<uint8_t>(ch));
}

// Match symbol 270 + class for length class 0 (3 bytes) with a distance class and
// its extra bits.
void put_match(BitWriter& out, int lengthClass, uint32_t lengthExtra, unsigned lengthBits,
               int distanceClass, uint32_t distanceExtra, unsigned distanceBits) {
  FlatLz::symbol(out, 270 + lengthClass);
  out.put(lengthExtra, lengthBits);
  FlatLz::distance(out, distanceClass);
  out.put(distanceExtra, distanceBits);
}

TEST(Rar20Lz, LiteralsAndEveryMatchKind) {
  BitWriter out;
  put_tables(out, flat_lz_lengths());
  std::string expected = "abcdefgh";
  put_literals(out, expected);
  // Short match: class 1 (base 4, 2 extra bits) + 1 + 2 = distance 7, length 2.
  FlatLz::symbol(out, 262);
  out.put(2, 2);
  append_copy(expected, 2, 7);
  // Match: length class 8 (base 8, 1 bit: 1) + 3 = 12; distance class 5 (base 6,
  // 1 bit: 1) + 1 = 8.
  put_match(out, 8, 1, 1, 5, 1, 1);
  append_copy(expected, 12, 8);
  // Repeat the last match.
  FlatLz::symbol(out, 256);
  append_copy(expected, 12, 8);
  // The distance before the last two (7): repeat class 2 -> length 4.
  FlatLz::symbol(out, 259);
  FlatLz::repeat(out, 2);
  append_copy(expected, 4, 7);
  // Now the last distance is 7 again, the one before it 8.
  FlatLz::symbol(out, 258);
  FlatLz::repeat(out, 0);
  append_copy(expected, 2, 8);
  put_literals(out, "!");
  expected += "!";

  const Decoded got = decode_once(out.bytes(), expected.size());
  EXPECT_EQ(got.result, DecodeResult::ok);
  EXPECT_EQ(got.text, expected);
}

// An encrypted RAR 2.0 entry cut into volumes in the middle of cipher blocks: the
// cipher and the decoder run on across the cuts; without the second volume the
// entry fails with the missing-volume code.
TEST(Rar20Archives, EncryptedEntryAcrossVolumes) {
  const std::string packed = audio_stream(2, 1, 5000, 3001);
  const Decoded whole = decode_once(packed, 5000);
  TempDir dir;
  const std::vector<std::string> volumes =
      WriteRarVolumes(dir / "set", RarVolumeNaming::OldStyle, 1001,
                      {{.name = "sound.raw",
                        .data = whole.text,
                        .encrypted = true,
                        .rar4Version = 20,
                        .rar4Method = 0x33,
                        .packed = encrypt20("secret pw", packed)}});
  ASSERT_GE(volumes.size(), 2u);
  fs::create_directory(dir / "out");
  const RunResult run = run_archive(dir / "set.rar", RAR_EXTRACT, dir / "out", "secret pw");
  EXPECT_TRUE(run.all_ok());
  EXPECT_TRUE(ReadFileText(dir / "out/sound.raw") == whole.text);

  fs::remove(dir / "set.r00");
  const RunResult missing = run_archive(dir / "set.rar", RAR_TEST, "", "secret pw");
  ASSERT_EQ(missing.entries.size(), 1u);
  EXPECT_EQ(missing.entries[0].result, ERAR_EOPEN);
}

// The old-style comment is covered by no header CRC: damage to it spoils the
// comment alone, which the open record reports, and the entries still come out.
TEST(Rar20Archives, DamagedOldCommentSpoilsOnlyTheComment) {
  std::string bytes = ReadFileText(corpus("rar202-comment-psw.rar"));
  // The packed comment starts at byte 33: after the marker, the main header's 13
  // bytes and the comment block's own 13.
  bytes[36] = static_cast<char>(bytes[36] ^ 0x21);
  TempDir dir;
  WriteFileText(dir / "comment.rar", bytes);
  EXPECT_EQ(comment_of(dir / "comment.rar").first, static_cast<unsigned>(ERAR_BAD_DATA));
  fs::create_directory(dir / "out");
  EXPECT_TRUE(run_archive(dir / "comment.rar", RAR_EXTRACT, dir / "out", "password").all_ok());
  EXPECT_EQ(ReadFileText(dir / "out/FILE1.TXT"), "file1\r\n");
}

}  // namespace
}  // namespace unrar_test
