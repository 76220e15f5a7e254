// The RAR 2.0 decoder on streams written bit by bit here: every kind of match and
// its length bonuses, tables replaced mid-stream and after a file's end, solid
// continuation, the multimedia mode with one to four channels, and damage.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "api_support.h"
#include "decoder_test_support.h"
#include "rar20_stream_builder.h"
#include "rar_decoder.h"
#include "rar_legacy_crypto.h"
#include "support/corpus_table.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

using tessaly::testing::RarTestEntry;
using tessaly::testing::RarVolumeNaming;
using tessaly::testing::WriteRar;
using tessaly::testing::WriteRarVolumes;
using unrar::DecodeResult;

struct Decoded {
  DecodeResult result;
  std::string text;
};

Decoded decode(unrar::Decoder& decoder, const std::string& packed, uint64_t size, bool solid) {
  const unrar::test::Decoded got =
      unrar::test::decode(decoder, unrar::test::Bytes(packed.begin(), packed.end()), size, solid);
  return {got.result, got.text()};
}

Decoded decode_once(const std::string& packed, uint64_t size) {
  auto decoder = unrar::make_rar20_decoder(1u << 20);
  return decode(*decoder, packed, size, false);
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
  put_tables(out, flat_lz_lengths(), false, {});
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

// Far matches are longer than their code says: +1 from 0x2000, +1 from 0x40000,
// and a repeated old distance +1 from 0x101 as well.
TEST(Rar20Lz, FarDistancesLengthenTheMatch) {
  BitWriter out;
  put_tables(out, flat_lz_lengths(), false, {});
  std::string expected;
  for (uint32_t i = 0; expected.size() < 0x50000; ++i) expected += static_cast<char>((i * 7) % 251);
  put_literals(out, expected);
  // Distance class 36: base 262144, 16 extra bits; 262144 + 1 + 5 = 0x40006.
  put_match(out, 0, 0, 0, 36, 5, 16);
  append_copy(expected, 3 + 2, 0x40006);
  // Distance class 26: base 8192, 12 bits -> 0x2001; length class 1 -> 4 + 1.
  put_match(out, 1, 0, 0, 26, 0, 12);
  append_copy(expected, 4 + 1, 0x2001);
  // The old distance 0x40006, repeat class 0: 2 + 3.
  FlatLz::symbol(out, 258);
  FlatLz::repeat(out, 0);
  append_copy(expected, 2 + 3, 0x40006);
  // Distance class 16 (base 256, 7 bits) -> 0x101: no bonus as a match, +1 repeated.
  put_match(out, 0, 0, 0, 16, 0, 7);
  append_copy(expected, 3, 0x101);
  FlatLz::symbol(out, 257);
  FlatLz::repeat(out, 0);
  append_copy(expected, 2 + 1, 0x101);

  const unrar::test::Bytes packed(out.bytes().begin(), out.bytes().end());
  unrar::test::BytesInput input(packed);
  unrar::test::CollectingOutput output;
  auto decoder = unrar::make_rar20_decoder(4u << 20);
  EXPECT_EQ(decoder->decode_entry(input, output, expected.size(), false), DecodeResult::ok);
  EXPECT_TRUE(std::string(output.bytes.begin(), output.bytes.end()) == expected);
  // The data callback sees pieces of at most 256 KiB.
  EXPECT_LE(output.largestPiece, 256u * 1024);
}

// New tables in the middle of a file: as changes to the last ones (keep) or from
// scratch, with the run-length codes of the bit-length table.
TEST(Rar20Lz, TablesReplacedMidStream) {
  BitWriter out;
  const std::vector<uint8_t> flat = flat_lz_lengths();
  put_tables(out, flat, false, {});
  put_literals(out, "xy");
  FlatLz::symbol(out, 269);
  // Only 'A' (1 bit), 'B' (2 bits) and symbol 269 (2 bits) remain.
  std::vector<uint8_t> small(kLzLengths, 0);
  small['A'] = 1;
  small['B'] = 2;
  small[269] = 2;
  put_tables(out, small, true, flat);
  const Code smallCode = main_code(small);
  for (const char ch : std::string("ABBA")) smallCode.put(out, ch);
  smallCode.put(out, 269);
  // From scratch, with every run code: 67 zeros (18: 11 + 7 bits), 'C' 2 bits and
  // the previous length three times more (16: 3 + 2 bits) for 'D'..'F', then 5
  // zeros (17: 3 + 3 bits) and longer runs to the end.
  out.put(0, 2);
  for (int i = 0; i < 19; ++i) out.put(5, 4);
  out.put(18, 5);
  out.put(67 - 11, 7);
  out.put(2, 5);
  out.put(16, 5);
  out.put(0, 2);
  out.put(17, 5);
  out.put(5 - 3, 3);
  size_t left = kLzLengths - 76;
  while (left > 0) {
    const size_t run = std::min<size_t>(left, 138);
    ASSERT_GE(run, 11u);
    out.put(18, 5);
    out.put(static_cast<uint32_t>(run - 11), 7);
    left -= run;
  }
  out.put(0b00111001, 8);  // C F E D
  const Decoded got = decode_once(out.bytes(), 10);
  EXPECT_EQ(got.result, DecodeResult::ok);
  EXPECT_EQ(got.text, "xyABBACFED");
}

// Sound-like deltas in one to four channels, switching to LZ and back to another
// channel count midway. The digests are those of the same streams unpacked by
// unar 1.10.1 from archives built around them (its checksums agreed).
TEST(Rar20Audio, OneToFourChannelsAndModeSwitches) {
  const char* const kDigests[] = {
      "896cb5412797ddfd7bcf8e617f95ab13e19cad3a8ec53f64c7f792565bba576a",
      "884131754a86addb39eddbf6eb6c04a9e39bd0eb438eb1e40efe34000837dba6",
      "0d4fd3686206c893fd5466e1f414724b1545a66cad4feda206b948c369376ed1",
      "e04405e0d04555dc6d8c78a21a5b7260384d7f7ce78702854082d772e78daa04",
  };
  for (int channels = 1; channels <= 4; ++channels) {
    SCOPED_TRACE(channels);
    const Decoded got = decode_once(audio_stream(channels, channels % 4 + 1, 5000, 3001), 5000);
    EXPECT_EQ(got.result, DecodeResult::ok);
    EXPECT_EQ(got.text.substr(3001, 2), "LZ");
    EXPECT_EQ(tessaly::testing::Sha256Hex(got.text), kDigests[channels - 1]);
  }
}

// A solid RAR 2.0 archive through the API: the last entry alone is extracted, so
// the ones before it are decoded on the way; with the 2.0 cipher the same holds
// for the right password, and a wrong one fails every entry with bad data.
TEST(Rar20Archives, SolidEntriesAfterSkippedOnes) {
  const std::vector<uint8_t> flat = flat_lz_lengths();
  BitWriter first;
  put_tables(first, flat, false, {});
  for (const char ch : std::string("solid ")) FlatLz::symbol(first, static_cast<uint8_t>(ch));
  BitWriter second;
  FlatLz::symbol(second, 'Z');
  put_match(second, 3, 0, 0, 5, 0, 1);
  std::vector<RarTestEntry> entries = {{.name = "one.txt",
                                        .data = "solid ",
                                        .rar4Version = 20,
                                        .rar4Method = 0x33,
                                        .packed = first.bytes()},
                                       {.name = "two.txt",
                                        .data = "Zsolid ",
                                        .rar4Version = 20,
                                        .rar4Method = 0x33,
                                        .packed = second.bytes(),
                                        .solid = true}};
  tessaly::testing::RarOptions solid;
  solid.solid = true;
  TempDir dir;
  WriteRar(dir / "solid.rar", entries, solid);
  for (auto& entry : entries) {
    entry.packed = encrypt20("secret pw", entry.packed);
    entry.encrypted = true;
  }
  WriteRar(dir / "locked.rar", entries, solid);

  for (const auto& [archive, password] :
       {std::pair<std::string, std::string>{"solid.rar", ""}, {"locked.rar", "secret pw"}}) {
    SCOPED_TRACE(archive);
    const std::string out = dir / (archive + ".out");
    fs::create_directory(out);
    EXPECT_EQ(process_last_after_skips(dir / archive, RAR_OM_EXTRACT, out, password), 0);
    EXPECT_EQ(ReadFileText(out + "/two.txt"), "Zsolid ");
    EXPECT_FALSE(fs::exists(out + "/one.txt"));
  }
  const RunResult wrong = run_archive(dir / "locked.rar", RAR_TEST, "", "secret pv");
  ASSERT_EQ(wrong.entries.size(), 2u);
  for (const EntryOutcome& entry : wrong.entries) EXPECT_EQ(entry.result, ERAR_BAD_DATA);
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
