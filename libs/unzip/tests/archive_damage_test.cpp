// Damaged data ends in an error, never in a crash, a hang or a short success: streams
// of the methods libraries decode for us, sizes past the data, and (slow) whole corpus
// archives with flipped bytes.
#include <gtest/gtest.h>

#include <random>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

struct MethodMaker {
  const char* label;
  const char* command;  // writes a.zip from data.bin
  uint16_t method;
};

class DamagedStream : public ::testing::TestWithParam<MethodMaker> {
 protected:
  void SetUp() override {
    write_bytes(dir_ / "data.bin", data_);
    ASSERT_EQ(run_in(dir_.path(), GetParam().command), 0);
    raw_ = raw_entry_stream((dir_ / "a.zip").string(), "data.bin").raw;
    ASSERT_GT(raw_.size(), 100u);
  }
  DecodeOutcome decode_raw(const std::vector<unsigned char>& raw) const {
    return run_decoder(GetParam().method, 0, data_.size(), raw, 999);
  }

  TempDir dir_;
  const std::vector<unsigned char> data_ = sample_bytes(60000, 5);
  std::vector<unsigned char> raw_;
};

// A cut stream fails or comes up short; a garbled one may decode to something but
// stays in bounds (ASan) and never runs far past the entry's size (the corpus has
// none of these methods for the corruption runs); a corrupted entry is never good.
TEST_P(DamagedStream, CutGarbledOrCorruptedEntryIsCaught) {
  ASSERT_TRUE(decode_raw(raw_).data == data_);
  for (std::size_t keep : {raw_.size() / 2, raw_.size() - 1, std::size_t{3}, std::size_t{0}}) {
    const DecodeOutcome outcome = decode_raw(cut(raw_, keep));
    EXPECT_TRUE(outcome.status != ReadStatus::Ok || outcome.data.size() < data_.size()) << keep;
  }
  std::mt19937 random(42);
  for (int round = 0; round < 40; ++round) {
    auto garbled = raw_;
    for (int flips = 0; flips < 1 + round % 4; ++flips)
      garbled[random() % garbled.size()] ^= static_cast<unsigned char>(1 + random() % 255);
    EXPECT_LE(decode_raw(garbled).data.size(), data_.size() + 64 * 1024) << round;
  }
  auto bytes = read_bytes(dir_ / "a.zip");
  const std::size_t middle = data_at(dir_ / "a.zip", "data.bin") + raw_.size() / 2;
  for (std::size_t i = 0; i < 8; ++i) bytes.at(middle + i) ^= 0x5A;
  write_bytes(dir_ / "a.zip", bytes);
  OpenResult result;
  auto archive = open_ok(dir_ / "a.zip", result);
  ASSERT_TRUE(archive);
  EXPECT_NE(decode(*archive, archive->entries().at(0)).outcome(), ReadStatus::Ok);
}

const MethodMaker kMethodMakers[] = {
    {"Bzip2", "zip -q -Z bzip2 a.zip data.bin", 12},
    {"LzmaEndMarker", "7z a -tzip -mm=LZMA a.zip data.bin", 14},
    {"LzmaNoEndMarker", "7z a -tzip -m0=LZMA:eos=off a.zip data.bin", 14},
};

INSTANTIATE_TEST_SUITE_P(Methods, DamagedStream, ::testing::ValuesIn(kMethodMakers),
                         [](const auto& info) { return std::string(info.param.label); });

// XZ and zstd have no writer here: their corpus streams decode whole and fail cut.
TEST(DamagedCorpusStream, XzAndZstdDecodeWholeAndFailCut) {
  for (const auto& [archive, name] :
       {std::pair{"zip2-xz.zip", "hello.txt"}, std::pair{"sc-WinZip27_ZSTD.zipx", "exe/test.exe"},
        std::pair{"sc-WinZip27_ZSTD.zipx", "jpg/test.jpg"}}) {
    SCOPED_TRACE(name);
    RawEntryStream entry = raw_entry_stream(corpus_file(archive), name);
    const DecodeOutcome whole = run_decoder(entry.method, 0, entry.size, entry.raw);
    EXPECT_EQ(whole.status, ReadStatus::Ok);
    EXPECT_EQ(whole.data.size(), entry.size);
    EXPECT_EQ(crc_of(whole.data), entry.crc);
    entry.raw.resize(entry.raw.size() - 5);
    const DecodeOutcome outcome = run_decoder(entry.method, 0, entry.size, entry.raw);
    EXPECT_TRUE(outcome.status != ReadStatus::Ok || outcome.data.size() < entry.size);
  }
}

TEST(DamagedLzmaHeader, WrongPropertiesSizeIsInvalid) {
  const std::vector<unsigned char> raw = {9, 20, 6, 0, 0x5d, 0, 0, 1, 0, 0};
  EXPECT_EQ(run_decoder(14, 0, 10, raw).status, ReadStatus::InvalidData);
}

// Sizes that reach past the data (into the directory, or past the file's end).
TEST(DamagedSizes, EntryLongerThanItsDataIsNeverOk) {
  TempDir dir;
  int decoded = 0;
  for (uint32_t recorded : {200u, 100000u}) {
    SCOPED_TRACE(recorded);
    for (uint16_t method : {uint16_t{0}, uint16_t{8}, uint16_t{95}}) {
      RawEntry entry = stored_entry("e", sample_bytes(100));
      entry.method = method;
      entry.recorded_compressed_size = recorded;
      write_raw_zip(dir / "s.zip", {entry});
      OpenResult result;
      auto archive = ZipArchive::open((dir / "s.zip").string(), result);
      if (!archive) continue;  // refused at open: fine too
      EXPECT_NE(decode(*archive, archive->entries().at(0)).outcome(), ReadStatus::Ok);
      ++decoded;
    }
  }
  EXPECT_GT(decoded, 0);  // libzip opens at least some of them
}

// Random byte flips across whole corpus archives: whatever opens must decode or
// fail cleanly.
TEST(DamagedArchive, SlowFlippedCorpusBytesNeverCrash) {
  TempDir dir;
  std::mt19937 random(7);
  const std::pair<const char*, const char*> fixtures[] = {{"sc-Zip.zip64.zip", ""},
                                                          {"zip2-aes_archive.zip", "helloworld"},
                                                          {"sc-zipcrypto.zip", "test"},
                                                          {"sc-WinZip27_ZSTD.zipx", ""},
                                                          {"zip2-xz.zip", ""},
                                                          {"sc-Zip.UnicodePathExtra.zip", ""},
                                                          {"sc-Zip.none.encrypted.zip", "test"},
                                                          {"zip2-data_descriptor.zip", ""}};
  for (const auto& [name, password] : fixtures) {
    const auto original = read_bytes(corpus_file(name));
    for (int round = 0; round < 25; ++round) {
      auto bytes = original;
      for (int flips = 0; flips < 1 + round % 5; ++flips) {
        bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
      }
      write_bytes(dir / "f.zip", bytes);
      OpenResult result;
      auto archive = ZipArchive::open((dir / "f.zip").string(), result);
      if (!archive) continue;
      for (const EntryInfo& entry : archive->entries()) {
        archive->password_matches(entry, password);
        decode(*archive, entry, password);
      }
    }
  }
}

}  // namespace
}  // namespace unzip::test
