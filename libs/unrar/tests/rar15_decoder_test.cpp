// The RAR 1.5 decoder on the packed data of the corpus's RAR 1.5 archive and on
// streams written by the test's own writer, which keeps the decoder's adaptive
// state to choose its bits (checked against unar 1.10.1 when it was written).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "archive_crc.h"
#include "rar15_decoder_test_writer.h"
#include "rar_decoder.h"

namespace unrar {
namespace {

using test::Rar15StreamWriter;

// Hands the data over in small uneven reads, so buffer refills fall everywhere.
class VectorInput : public PackedInput {
 public:
  explicit VectorInput(const std::vector<uint8_t>& data, bool fails = false)
      : data_(data), fails_(fails) {}
  size_t read(uint8_t* buffer, size_t size) override {
    const size_t n = std::min({size, data_.size() - at_, size_t{1021}});
    if (n > 0) std::memcpy(buffer, data_.data() + at_, n);
    at_ += n;
    return n;
  }
  bool failed() const override { return fails_ && at_ == data_.size(); }

 private:
  const std::vector<uint8_t>& data_;
  size_t at_ = 0;
  bool fails_;
};

class CollectingOutput : public UnpackedOutput {
 public:
  bool write(const uint8_t* data, size_t size) override {
    largestPiece = std::max(largestPiece, size);
    bytes.insert(bytes.end(), data, data + size);
    return bytes.size() < stopAfter;
  }
  std::vector<uint8_t> bytes;
  size_t largestPiece = 0;
  size_t stopAfter = SIZE_MAX;
};

struct Decoded {
  DecodeResult result;
  std::vector<uint8_t> bytes;
};

Decoded decode(Decoder& decoder, const std::vector<uint8_t>& packed, uint64_t size, bool solid) {
  VectorInput input(packed);
  CollectingOutput output;
  const DecodeResult result = decoder.decode_entry(input, output, size, solid);
  return {result, std::move(output.bytes)};
}

Decoded decode_alone(const std::vector<uint8_t>& packed, uint64_t size) {
  auto decoder = make_rar15_decoder(64 * 1024);
  return decode(*decoder, packed, size, false);
}

uint32_t crc_of(const std::vector<uint8_t>& bytes) {
  return crc32_continue(0, bytes.data(), bytes.size());
}

// --- The corpus ---------------------------------------------------------------

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le(const std::vector<uint8_t>& d, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | d[at + i];
  return value;
}

struct PackedPart {
  std::vector<uint8_t> packed;
  uint32_t size = 0;
  uint32_t crc = 0;
  int version = 0;
  int method = 0;
};

TEST(Rar15Corpus, TheArchiveCommentAndTheCompressedFileOfAnOldArchive) {
  const std::vector<uint8_t> d =
      read_file(std::string(TESSALY_CORPUS_DIR) + "/rar/rar15-comment-lock.rar");
  ASSERT_GT(d.size(), 64u);
  // The main header at 7 carries the old comment block right after its 13 bytes.
  const size_t mainSize = le(d, 12, 2);
  ASSERT_TRUE(le(d, 10, 2) & 0x0002);
  const size_t comment = 7 + 13;
  PackedPart text;
  text.size = le(d, comment + 7, 2);
  text.version = d[comment + 9];
  text.crc = le(d, comment + 11, 2);
  text.packed.assign(d.begin() + comment + 13, d.begin() + comment + le(d, comment + 5, 2));

  std::vector<PackedPart> files;
  for (size_t at = 7 + mainSize; at + 32 <= d.size() && d[at + 2] == 0x74;) {
    const size_t headSize = le(d, at + 5, 2);
    const size_t packSize = le(d, at + 7, 4);
    PackedPart file;
    file.size = le(d, at + 11, 4);
    file.crc = le(d, at + 16, 4);
    file.version = d[at + 24];
    file.method = d[at + 25];
    file.packed.assign(d.begin() + at + headSize, d.begin() + at + headSize + packSize);
    files.push_back(file);
    at += headSize + packSize;
  }
  ASSERT_EQ(files.size(), 2u);

  EXPECT_EQ(text.version, 15);
  const Decoded commentText = decode_alone(text.packed, text.size);
  ASSERT_EQ(commentText.result, DecodeResult::ok);
  EXPECT_EQ(std::string(commentText.bytes.begin(), commentText.bytes.end()), "RARcomment -----");
  EXPECT_EQ(crc_of(commentText.bytes) & 0xFFFF, text.crc);

  // FILE1.TXT is compressed (method 0x33); FILE2.TXT is stored.
  EXPECT_EQ(files[0].version, 15);
  EXPECT_EQ(files[0].method, 0x33);
  const Decoded file1 = decode_alone(files[0].packed, files[0].size);
  ASSERT_EQ(file1.result, DecodeResult::ok);
  EXPECT_EQ(std::string(file1.bytes.begin(), file1.bytes.end()), "foooo\r\n");
  EXPECT_EQ(crc_of(file1.bytes), files[0].crc);
}

// --- Streams written here -----------------------------------------------------------

void expect_decodes_to_writer_output(Rar15StreamWriter& writer) {
  const std::vector<uint8_t> packed = writer.packed();
  const Decoded decoded = decode_alone(packed, writer.output().size());
  ASSERT_EQ(decoded.result, DecodeResult::ok);
  ASSERT_EQ(decoded.bytes.size(), writer.output().size());
  EXPECT_TRUE(decoded.bytes == writer.output());
}

TEST(Rar15Stream, LiteralsAndEveryKindOfShortMatch) {
  Rar15StreamWriter writer;
  for (char c : std::string("abracadabra, abracadabra!")) writer.literal(static_cast<uint8_t>(c));
  writer.short_match(3, 13);  // "abrac"
  writer.repeat_last();       // the same five bytes again
  writer.repeat_last();       // the second repeat in a row ...
  writer.repeat_last();       // ... makes the third one a single bit
  writer.short_match(0, 2);
  writer.short_match(2, 5);
  writer.short_match(1, 11);
  writer.old_distance_match(2, 4);
  writer.old_distance_match(4, 0);
  writer.old_distance_match(3, 7);
  writer.repeat_last();
  writer.literal('x');
  // Toggled, class 1 takes four bits and class 14 gets a code.
  writer.toggle_short_code();
  writer.short_match(1, 7);
  writer.toggle_short_code();
  writer.short_match(1, 7);
  expect_decodes_to_writer_output(writer);
}

TEST(Rar15Stream, LongMatchesNearAndFarWithEveryLengthCode) {
  Rar15StreamWriter writer;
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) writer.literal(static_cast<uint8_t>('a' + random() % 20));
  while (writer.produced() < 0x8000)
    writer.long_match(1 + random() % writer.produced() % 0x7FFF, 200 + random() % 56);
  // Near distances (up to 256) add 8 to the length, far ones one more; long
  // length codes (up to 255) move the length average to the other two codes.
  for (uint32_t code : {0u, 1u, 4u, 7u, 8u, 200u, 255u, 3u, 150u, 255u, 0u, 130u, 255u})
    writer.long_match(code % 3 == 0 ? 200 : 0x7000 + code, code);
  for (int i = 0; i < 300; ++i) writer.long_match(1 + random() % 0x7FFF, random() % 256);
  // A distance of 0x8000 and more only has the short code of class 14.
  writer.far_short_match(0x1234, 17);
  writer.far_short_match(0x7FFF, 255);
  expect_decodes_to_writer_output(writer);
}

TEST(Rar15Stream, StreamModeAfterARunOfLiteralsUntilItsEscape) {
  Rar15StreamWriter writer;
  int literalsInStreamMode = 0;
  for (int i = 0; i < 200 && literalsInStreamMode < 40; ++i) {
    writer.literal(static_cast<uint8_t>(i * 7));
    if (writer.stream_mode()) ++literalsInStreamMode;
  }
  ASSERT_TRUE(writer.stream_mode());
  writer.literal(0xFF);
  writer.stream_match(0, 5, false);
  writer.stream_match(1, 0, true);
  writer.stream_match(3, 31, true);
  writer.literal(0);
  writer.leave_stream_mode();
  EXPECT_FALSE(writer.stream_mode());
  writer.literal('z');
  writer.short_match(2, 9);
  writer.long_match(1000, 5);
  expect_decodes_to_writer_output(writer);
}

// Random operations over a few alphabets: few symbols keep the literal
// positions low and the cheap codes in use; all 256 move to the long ones.
// Lists are re-ranked when a symbol wears out its count.
struct RandomCase {
  const char* name;
  uint32_t seed;
  uint32_t alphabet;
  int operations;
  uint32_t crc;  // of the output, as unar 1.10.1 decoded the stream
};

class Rar15Random : public testing::TestWithParam<RandomCase> {};

void write_random(Rar15StreamWriter& writer, std::mt19937& random, uint32_t alphabet,
                  int operations) {
  for (int i = 0; i < operations; ++i) {
    const uint32_t produced = static_cast<uint32_t>(writer.produced());
    const uint32_t choice = random() % 100;
    if (writer.stream_mode()) {
      if (choice < 85)
        writer.literal(static_cast<uint8_t>(random() % alphabet));
      else if (choice < 95 && produced > 8300)
        writer.stream_match(random() % 257, random() % 32, random() % 2);
      else
        writer.leave_stream_mode();
    } else if (choice < 45 || produced < 300) {
      // Runs of literals lead into stream mode now and then.
      const uint32_t run = random() % 4 == 0 ? 20 + random() % 20 : 1;
      for (uint32_t n = 0; n < run; ++n) writer.literal(static_cast<uint8_t>(random() % alphabet));
    } else if (choice < 65) {
      writer.short_match(random() % 9, 1 + random() % 256);
    } else if (choice < 72) {
      writer.repeat_last();
    } else if (choice < 80) {
      const uint32_t back = 1 + random() % 4;
      if (writer.old_distance(back) != 0)
        writer.old_distance_match(back, random() % (back == 1 ? 255 : 256));
    } else if (choice < 81) {
      writer.toggle_short_code();
    } else if (choice < 83 && produced > 0x10000) {
      writer.far_short_match(random() % 0x8000, random() % 256);
    } else {
      const uint32_t reach = std::min<uint32_t>(produced, 0x7FFF);
      writer.long_match(1 + random() % reach, random() % 64 == 0 ? random() % 256 : random() % 9);
    }
  }
}

TEST_P(Rar15Random, DecodesToWhatTheWriterMeant) {
  const RandomCase& c = GetParam();
  Rar15StreamWriter writer;
  std::mt19937 random(c.seed);
  write_random(writer, random, c.alphabet, c.operations);
  expect_decodes_to_writer_output(writer);
  EXPECT_EQ(crc_of(writer.output()), c.crc);
}

INSTANTIATE_TEST_SUITE_P(Alphabets, Rar15Random,
                         testing::Values(RandomCase{"FourSymbols", 1, 4, 6000, 0x5BC1C6CD},
                                         RandomCase{"Text", 2, 60, 8000, 0x8A307D88},
                                         RandomCase{"AllBytes", 3, 256, 8000, 0x1EFCF32B},
                                         RandomCase{"AllBytesAgain", 4, 256, 3000, 0xC411A21F}),
                         [](const testing::TestParamInfo<RandomCase>& info) {
                           return std::string(info.param.name);
                         });

// --- Solid streams -----------------------------------------------------------------

struct SolidFiles {
  std::vector<std::vector<uint8_t>> packed;
  std::vector<std::vector<uint8_t>> output;
};

// Three files of one solid stream, the later ones matching into the earlier.
SolidFiles write_solid_files() {
  SolidFiles files;
  Rar15StreamWriter writer;
  std::mt19937 random(11);
  for (int file = 0; file < 3; ++file) {
    if (file > 0) writer.next_solid_file();
    write_random(writer, random, 40, 1500);
    files.packed.push_back(writer.packed());
    files.output.push_back(writer.output());
  }
  return files;
}

TEST(Rar15Solid, LaterFilesContinueTheWindowAndTheAdaptiveState) {
  const SolidFiles files = write_solid_files();
  auto decoder = make_rar15_decoder(64 * 1024);
  for (size_t i = 0; i < 3; ++i) {
    const Decoded decoded = decode(*decoder, files.packed[i], files.output[i].size(), i > 0);
    ASSERT_EQ(decoded.result, DecodeResult::ok) << i;
    EXPECT_TRUE(decoded.bytes == files.output[i]) << i;
  }
  // On its own the second file means something else, or nothing at all.
  const Decoded alone = decode_alone(files.packed[1], files.output[1].size());
  EXPECT_FALSE(alone.result == DecodeResult::ok && alone.bytes == files.output[1]);
  // A non-solid file after them starts afresh.
  const Decoded again = decode(*decoder, files.packed[0], files.output[0].size(), false);
  ASSERT_EQ(again.result, DecodeResult::ok);
  EXPECT_TRUE(again.bytes == files.output[0]);
}

TEST(Rar15Solid, AFailedFileFailsTheSolidFilesAfterIt) {
  const SolidFiles files = write_solid_files();
  auto decoder = make_rar15_decoder(64 * 1024);
  ASSERT_EQ(decode(*decoder, files.packed[0], files.output[0].size(), false).result,
            DecodeResult::ok);
  const std::vector<uint8_t> cut(files.packed[1].begin(),
                                 files.packed[1].begin() + files.packed[1].size() / 2);
  EXPECT_EQ(decode(*decoder, cut, files.output[1].size(), true).result, DecodeResult::bad_data);
  EXPECT_EQ(decode(*decoder, files.packed[2], files.output[2].size(), true).result,
            DecodeResult::bad_data);
  EXPECT_EQ(decode(*decoder, files.packed[0], files.output[0].size(), false).result,
            DecodeResult::ok);
}

// --- Window and output --------------------------------------------------------------

TEST(Rar15Output, MegabytesThroughTheWindowInPiecesOfAtMost256KiB) {
  Rar15StreamWriter writer;
  std::mt19937 random(5);
  for (int i = 0; i < 2000; ++i) writer.literal(static_cast<uint8_t>(random()));
  while (writer.produced() < 1'300'000)
    writer.long_match(1 + random() % std::min<uint64_t>(writer.produced(), 0x7FFF),
                      250 + random() % 6);
  const std::vector<uint8_t> packed = writer.packed();

  auto decoder = make_rar15_decoder(64 * 1024);
  VectorInput input(packed);
  CollectingOutput output;
  ASSERT_EQ(decoder->decode_entry(input, output, writer.output().size(), false), DecodeResult::ok);
  EXPECT_TRUE(output.bytes == writer.output());
  EXPECT_LE(output.largestPiece, 256u * 1024);

  // The output refusing more stops the file.
  VectorInput again(packed);
  CollectingOutput refusing;
  refusing.stopAfter = 300'000;
  EXPECT_EQ(decoder->decode_entry(again, refusing, writer.output().size(), false),
            DecodeResult::stopped);
}

TEST(Rar15Output, DistancesBeforeTheStartReadZerosAndAHugeDictionaryCostsNothing) {
  Rar15StreamWriter writer;
  for (char c : std::string("0123456789")) writer.literal(static_cast<uint8_t>(c));
  writer.long_match(20, 2);
  writer.short_match(4, 15);
  writer.literal('!');
  const std::vector<uint8_t> packed = writer.packed();
  // The header's dictionary size does not change the 64 KiB reach of the format.
  auto decoder = make_rar15_decoder(uint64_t{1} << 32);
  ASSERT_NE(decoder, nullptr);
  const Decoded decoded = decode(*decoder, packed, writer.output().size(), false);
  ASSERT_EQ(decoded.result, DecodeResult::ok);
  EXPECT_TRUE(decoded.bytes == writer.output());
  // 13 bytes (a near distance adds 8) from before the start: zeros, all of them.
  const std::string expected =
      "0123456789" + std::string(13, '\0') + "89" + std::string(4, '\0') + "!";
  EXPECT_EQ(std::string(decoded.bytes.begin(), decoded.bytes.end()), expected);
}

// --- Damage -----------------------------------------------------------------------

TEST(Rar15Damaged, TruncatedStreamsAreBadData) {
  Rar15StreamWriter writer;
  std::mt19937 random(2);
  write_random(writer, random, 60, 1500);
  const std::vector<uint8_t> packed = writer.packed();
  for (size_t keep : {size_t{0}, size_t{1}, size_t{7}, packed.size() / 3, packed.size() - 1}) {
    const std::vector<uint8_t> cut(packed.begin(), packed.begin() + keep);
    const Decoded decoded = decode_alone(cut, writer.output().size());
    EXPECT_EQ(decoded.result, DecodeResult::bad_data) << keep;
    EXPECT_LT(decoded.bytes.size(), writer.output().size()) << keep;
  }
  // Data that ends because reading failed is the reader's error, not damage.
  const std::vector<uint8_t> cut(packed.begin(), packed.begin() + packed.size() / 2);
  VectorInput failing(cut, true);
  CollectingOutput output;
  auto decoder = make_rar15_decoder(64 * 1024);
  EXPECT_EQ(decoder->decode_entry(failing, output, writer.output().size(), false),
            DecodeResult::stopped);
}

// With no end marker and no checksum of its own, a damaged stream may still
// give its full size (the archive's CRC then tells); it must never give more,
// read out of bounds, or run on.
TEST(Rar15Damaged, FlippedBytesEndInBadDataOrTheDeclaredSize) {
  Rar15StreamWriter writer;
  std::mt19937 random(3);
  write_random(writer, random, 256, 1500);
  const std::vector<uint8_t> packed = writer.packed();
  const uint64_t size = writer.output().size();
  int badData = 0;
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> damaged = packed;
    for (size_t n = 0; n <= damaged.size() / 100; ++n)
      damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
    const Decoded decoded = decode_alone(damaged, size);
    if (decoded.result == DecodeResult::bad_data) {
      ++badData;
      EXPECT_LE(decoded.bytes.size(), size);
    } else {
      ASSERT_EQ(decoded.result, DecodeResult::ok);
      EXPECT_EQ(decoded.bytes.size(), size);
    }
  }
  EXPECT_GT(badData, 0);
}

TEST(Rar15Damaged, RandomBytesEndInBoundedTimeWhateverTheDeclaredSize) {
  std::mt19937 random(9);
  for (int round = 0; round < 100; ++round) {
    std::vector<uint8_t> noise(64 + random() % 2000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    const Decoded decoded = decode_alone(noise, uint64_t{1} << 40);
    EXPECT_EQ(decoded.result, DecodeResult::bad_data);
    // Every symbol takes a bit and gives at most a few hundred bytes.
    EXPECT_LE(decoded.bytes.size(), noise.size() * 8 * 300);
  }
}

TEST(Rar15Damaged, ImpossibleCodesAndSizesAreBadData) {
  // A flag byte at list position 256 (all ones), and a zero distance.
  EXPECT_EQ(decode_alone(std::vector<uint8_t>(16, 0xFF), 10).result, DecodeResult::bad_data);
  Rar15StreamWriter writer;
  writer.literal('a');
  writer.long_match(0, 3);
  EXPECT_EQ(decode_alone(writer.packed(), 20).result, DecodeResult::bad_data);
  // Without an end marker an unknown size cannot be decoded.
  EXPECT_EQ(decode_alone(std::vector<uint8_t>(16, 0), UINT64_MAX).result, DecodeResult::bad_data);
  // Nothing to decode needs no data at all.
  const Decoded empty = decode_alone({}, 0);
  EXPECT_EQ(empty.result, DecodeResult::ok);
  EXPECT_TRUE(empty.bytes.empty());
}

}  // namespace
}  // namespace unrar
