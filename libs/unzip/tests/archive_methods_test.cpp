// Entries made by real writers decode byte for byte: each method and cipher the corpus
// lacks (store and deflate are everywhere, AES over deflate is in the corpus).
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

struct MadeEntry {
  const char* label;
  const char* command;  // writes a.zip from data.bin
  const char* password;
  uint16_t method;       // as stored
  uint16_t real_method;  // after the AES wrapper
  int aes_strength;
};

std::string PrintLabel(const ::testing::TestParamInfo<MadeEntry>& info) {
  return info.param.label;
}

class MadeByTools : public ::testing::TestWithParam<MadeEntry> {};

TEST_P(MadeByTools, DecodesByteForByte) {
  const MadeEntry& row = GetParam();
  TempDir dir;
  const auto data = sample_bytes(150000);
  write_bytes(dir / "data.bin", data);
  ASSERT_EQ(run_in(dir.path(), row.command), 0) << row.command;

  OpenResult result;
  auto archive = open_ok(dir / "a.zip", result);
  ASSERT_TRUE(archive);
  const EntryInfo* entry = find_entry(*archive, "data.bin");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->method, row.method);
  EXPECT_EQ(entry->real_method, row.real_method);
  EXPECT_EQ(entry->aes_strength, row.aes_strength);
  EXPECT_EQ(entry->encrypted, *row.password != '\0');
  ASSERT_TRUE(archive->can_decode(*entry));
  EXPECT_TRUE(archive->password_matches(*entry, row.password));

  const Decoded decoded = decode(*archive, *entry, row.password);
  EXPECT_EQ(decoded.outcome(), ReadStatus::Ok);
  EXPECT_TRUE(decoded.data == data) << "decoded " << decoded.data.size() << " bytes";
  // Writers salt their headers randomly, so a wrong password passes the check
  // now and then (1 in 256 for the traditional cipher); it must still fail.
  if (entry->encrypted) {
    EXPECT_NE(decode(*archive, *entry, "not-the-password").outcome(), ReadStatus::Ok);
  }
}

const MadeEntry kMadeEntries[] = {
    {"ZipBzip2", "zip -q -Z bzip2 a.zip data.bin", "", 12, 12, 0},
    {"SevenZipLzmaEndMarker", "7z a -tzip -mm=LZMA a.zip data.bin", "", 14, 14, 0},
    {"SevenZipLzmaNoEndMarker", "7z a -tzip -m0=LZMA:eos=off a.zip data.bin", "", 14, 14, 0},
    // Info-ZIP sets bit 3 when encrypting: the check byte is the DOS time's.
    {"ZipCryptoDeflateTimeCheck", "zip -q -P secret a.zip data.bin", "secret", 8, 8, 0},
    {"ZipCryptoCrcCheck", "7z a -tzip -mem=ZipCrypto -psecret a.zip data.bin", "secret", 8, 8, 0},
    {"Aes256Store", "7z a -tzip -mx=0 -mem=AES256 -psecret a.zip data.bin", "secret", 99, 0, 3},
    {"Aes256Lzma", "7z a -tzip -mm=LZMA -mem=AES256 -psecret a.zip data.bin", "secret", 99, 14, 3},
};

INSTANTIATE_TEST_SUITE_P(Writers, MadeByTools, ::testing::ValuesIn(kMadeEntries), PrintLabel);

}  // namespace
}  // namespace unzip::test
