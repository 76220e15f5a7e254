// Damaged data ends in an error, never in a crash, a hang or a short success: the
// XZ and zstd streams cut short, the streams of our own decoders cut and flipped, a
// broken LZMA header, and (slow) whole corpus archives with flipped bytes.
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

// The methods of our own decoders, cut and flipped bit by bit (the corpus's reduce
// factors 2 and 4 are decoded through the call).
TEST(DamagedCorpusStream, OwnDecodersEndInInvalidData) {
  const struct {
    const char* archive;
    const char* name;
    std::size_t flips;
  } rows[] = {{"sc-Zip.deflate64.zip", "exe/test.exe", 150},
              {"zip2-reduce.zip", "first.txt", 300},
              {"sc-Zip.shrink.zip", "TECT.TXT", 300}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.archive);
    const RawEntryStream entry = raw_entry_stream(corpus_file(row.archive), row.name);
    const DecodeOutcome good = run_decoder(entry.method, entry.flags, entry.size, entry.raw);
    ASSERT_EQ(good.status, ReadStatus::Ok);
    EXPECT_GT(expect_damage_caught(entry.method, entry.flags, good.data, entry.raw, row.flips), 0u);
  }
}

TEST(DamagedLzmaHeader, WrongPropertiesSizeIsInvalid) {
  const std::vector<unsigned char> raw = {9, 20, 6, 0, 0x5d, 0, 0, 1, 0, 0};
  EXPECT_EQ(run_decoder(14, 0, 10, raw).status, ReadStatus::InvalidData);
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
