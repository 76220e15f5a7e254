// Every decodable entry of the real-world corpus decodes to its known length and CRC.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

struct CorpusEntry {
  const char* archive;
  const char* entry;
  const char* password;
  uint64_t size;
  uint32_t crc;
};

class CorpusDecode : public ::testing::TestWithParam<CorpusEntry> {};

TEST_P(CorpusDecode, DecodesToKnownLengthAndCrc) {
  SKIP_WITHOUT_CORPUS();
  const CorpusEntry& row = GetParam();
  OpenResult result;
  auto archive = open_ok(corpus_file(row.archive), result);
  ASSERT_TRUE(archive);
  const EntryInfo* entry = find_entry(*archive, row.entry);
  ASSERT_NE(entry, nullptr) << row.entry;
  EXPECT_TRUE(archive->can_decode(*entry));
  const Decoded decoded = decode(*archive, *entry, row.password);
  EXPECT_EQ(decoded.outcome(), ReadStatus::Ok);
  EXPECT_EQ(decoded.data.size(), row.size);
  EXPECT_EQ(crc_of(decoded.data), row.crc);
}

const CorpusEntry kCorpusEntries[] = {
    {"sc-Zip.zip64.zip", "exe/test.exe", "", 45056, 0xcfb109c8},
    {"sc-Zip.zip64.zip", "jpg/test.jpg", "", 40372, 0x088814e3},
    {"sc-Zip.zip64.zip", "тест.txt", "", 15498, 0x9bd160fa},
    {"zip2-data_descriptor.zip", "hello.txt", "", 12, 0xb095e5e3},
    {"zip2-non_utf8.zip", "╓╨╬─", "", 16, 0x4b7db71d},
    {"zip2-non_utf8.zip", "ô·ò╢", "", 18, 0xf20e6e4b},
    {"sc-Zip.UnicodePathExtra.zip", "궖귛궖귙귪궖귗귪궖귙_wav.frq", "", 10024, 0xea1aeebd},
    {"sc-Zip.shrink.zip", "TEST.JPG", "", 40372, 0x088814e3},
    {"sc-WinZip27_ZSTD.zipx", "exe/test.exe", "", 45056, 0xcfb109c8},
    {"sc-WinZip27_ZSTD.zipx", "jpg/test.jpg", "", 40372, 0x088814e3},
    {"sc-WinZip27_ZSTD.zipx", "тест.txt", "", 15498, 0x9bd160fa},
    {"zip2-xz.zip", "hello.txt", "", 12, 0xb739e0d5},
    {"zip2-aes_archive.zip", "secret_data_128", "helloworld", 26, 0x5f29d461},
    {"zip2-aes_archive.zip", "secret_data_192", "helloworld", 26, 0x5f29d461},
    {"zip2-aes_archive.zip", "secret_data_256", "helloworld", 26, 0x5f29d461},
    {"zip2-aes_archive.zip", "secret_data_256_uncompressed", "helloworld", 26, 0x5f29d461},
    {"sc-Zip.none.encrypted.zip", "first.txt", "test", 199, 0x03f00687},
    {"sc-Zip.none.encrypted.zip", "second.txt", "test", 197, 0xd55fc7eb},
    {"sc-zipcrypto.zip", "brown.txt", "test", 6, 0x5ebc8aea},
    {"sc-zipcrypto.zip", "dog.txt", "test", 4, 0x1ce2272b},
    {"sc-zipcrypto.zip", "fox.txt", "test", 4, 0x7bb1e13e},
    {"sc-zipcrypto.zip", "jumps.txt", "test", 6, 0x50e56685},
    {"sc-zipcrypto.zip", "lazy.txt", "test", 5, 0x5e343b10},
    {"sc-zipcrypto.zip", "over.txt", "test", 0, 0x00000000},
    {"sc-zipcrypto.zip", "quick.txt", "test", 6, 0x2aed86fa},
    {"sc-zipcrypto.zip", "the.txt", "test", 3, 0x3c456de6},
};

INSTANTIATE_TEST_SUITE_P(Fixtures, CorpusDecode, ::testing::ValuesIn(kCorpusEntries));

}  // namespace
}  // namespace unzip::test
