// Damaged data ends in an error, never in a crash, a hang or a short success: the
// XZ and zstd streams cut short, a broken LZMA header, sizes past the data, and (slow)
// whole corpus archives with flipped bytes.
#include <gtest/gtest.h>

#include <random>

#include "decoder_test_support.h"
#include "test_support.h"

namespace unzip::test {
namespace {

// XZ and zstd have no writer here; the corpus shows their streams decode whole.
TEST(DamagedCorpusStream, XzAndZstdCutShortFail) {
  for (const auto& [archive, name] : {std::pair{"zip2-xz.zip", "hello.txt"},
                                      std::pair{"sc-WinZip27_ZSTD.zipx", "exe/test.exe"}}) {
    SCOPED_TRACE(archive);
    RawEntryStream entry = raw_entry_stream(corpus_file(archive), name);
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
