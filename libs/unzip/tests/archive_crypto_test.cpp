// The two ciphers: the AE-1 CRC check, wrong passwords and tampered ciphertext (the
// corpus's wrong-password cases go through the whole call).
#include <gtest/gtest.h>

#include <algorithm>

#include "crypto_zipcrypto.h"
#include "test_support.h"

namespace unzip::test {
namespace {

// Turns libzip's AE-2 entry into AE-1 by patching both headers: vendor version 1
// and the given CRC in the CRC fields.
void make_ae1(std::vector<unsigned char>& bytes, uint32_t crc) {
  const unsigned char field[] = {0x01, 0x99, 0x07, 0x00, 0x02, 0x00, 'A', 'E'};
  auto put_crc = [&](std::size_t at) {
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<unsigned char>(crc >> (8 * i));
  };
  for (std::size_t i = 0; i + sizeof field <= bytes.size(); ++i) {
    if (std::equal(field, field + sizeof field, bytes.begin() + static_cast<long>(i))) {
      bytes[i + 4] = 0x01;
    }
    if (bytes[i] == 'P' && bytes[i + 1] == 'K' && bytes[i + 2] == 1 && bytes[i + 3] == 2) {
      put_crc(i + 16);
    }
  }
  put_crc(14);  // the local header of the only entry
}

TEST(Ae1Entries, CrcIsCheckedBesideTheCode) {
  TempDir dir;
  const auto data = sample_bytes(3000, 4);
  write_zip(dir / "a.zip",
            {Entry("e.bin", as_text(data), ZIP_CM_DEFLATE).encrypt(ZIP_EM_AES_128, "pw")});
  const auto ae2 = read_bytes(dir / "a.zip");
  for (const uint32_t crc : {crc_of(data), crc_of(data) ^ 1}) {
    auto bytes = ae2;
    make_ae1(bytes, crc);
    write_bytes(dir / "ae1.zip", bytes);
    OpenResult result;
    auto archive = open_ok(dir / "ae1.zip", result);
    ASSERT_TRUE(archive);
    const EntryInfo& entry = archive->entries().at(0);
    EXPECT_EQ(entry.aes_version, 1);
    EXPECT_EQ(entry.crc, crc);
    const Decoded decoded = decode(*archive, entry, "pw");
    EXPECT_TRUE(decoded.data == data);
    EXPECT_EQ(decoded.outcome(), crc == crc_of(data) ? ReadStatus::Ok : ReadStatus::BadCrc);
  }
}

struct Tamper {
  const char* label;
  uint16_t encryption;
  int32_t method;
  int from_end;  // flip the byte this far before the entry's end; 0 = first data byte
  ReadStatus expected;
};

class TamperedEntry : public ::testing::TestWithParam<Tamper> {};

// libzip's writer (AE-2 for AES, its own traditional-cipher headers): the entry
// decodes whole, but not with a wrong password, and one flipped byte must never
// decode as a good entry.
TEST_P(TamperedEntry, DecodesButIsReportedOnceTampered) {
  const Tamper& row = GetParam();
  TempDir dir;
  const auto data = sample_bytes(5000, 9);
  write_zip(dir / "a.zip",
            {Entry("e.bin", as_text(data), row.method).encrypt(row.encryption, "pw")});
  const std::size_t data_start = data_at(dir / "a.zip", "e.bin");

  OpenResult result;
  std::size_t entry_end;
  {
    auto archive = open_ok(dir / "a.zip", result);
    ASSERT_TRUE(archive);
    const EntryInfo& entry = archive->entries()[0];
    EXPECT_EQ(entry.real_method, row.method);
    const Decoded decoded = decode(*archive, entry, "pw");
    EXPECT_EQ(decoded.outcome(), ReadStatus::Ok);
    EXPECT_TRUE(decoded.data == data);
    EXPECT_NE(decode(*archive, entry, "wrong").outcome(), ReadStatus::Ok);
    entry_end = data_start + entry.compressed_size;
  }
  std::size_t target = entry_end - row.from_end;
  if (row.from_end == 0) {
    const bool aes = row.encryption != ZIP_EM_TRAD_PKWARE;
    target = data_start + (aes ? 16 + 2 : kZipCryptoHeaderSize);
  }
  overwrite_byte(dir / "a.zip", target, read_bytes(dir / "a.zip").at(target) ^ 0x01);

  auto archive = open_ok(dir / "a.zip", result);
  ASSERT_TRUE(archive);
  const Decoded decoded = decode(*archive, archive->entries()[0], "pw");
  EXPECT_EQ(decoded.outcome(), row.expected);
}

const Tamper kTampers[] = {
    {"AesStoredData", ZIP_EM_AES_256, ZIP_CM_STORE, 0, ReadStatus::BadCrc},
    {"AesDeflateCode", ZIP_EM_AES_128, ZIP_CM_DEFLATE, 3, ReadStatus::BadCrc},
    {"AesDeflateLastDataByte", ZIP_EM_AES_192, ZIP_CM_DEFLATE, 11, ReadStatus::BadCrc},
    {"TraditionalStoredData", ZIP_EM_TRAD_PKWARE, ZIP_CM_STORE, 0, ReadStatus::BadCrc},
};

INSTANTIATE_TEST_SUITE_P(Ciphers, TamperedEntry, ::testing::ValuesIn(kTampers),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace unzip::test
