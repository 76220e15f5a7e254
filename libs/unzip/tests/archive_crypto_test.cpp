// WinZip AES beyond the corpus (AE-2 entries, whose wrong passwords go through the
// whole call): the AE-1 CRC check, and tampering at the end of the entry.
#include <gtest/gtest.h>

#include <algorithm>

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

TEST(AesEntries, Ae1CrcIsCheckedBesideTheCode) {
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

// The authentication code covers the data up to its last byte and is checked
// itself; a flip earlier in the data is seen through the call (WizPassword).
TEST(AesEntries, TamperedCodeOrLastDataByteIsBadCrc) {
  TempDir dir;
  const auto data = sample_bytes(5000, 9);
  for (const std::size_t from_end : {3, 11}) {  // inside the 10-byte code, just before it
    SCOPED_TRACE(from_end);
    write_zip(dir / "a.zip",
              {Entry("e.bin", as_text(data), ZIP_CM_DEFLATE).encrypt(ZIP_EM_AES_192, "pw")});
    OpenResult result;
    const std::size_t end = data_at(dir / "a.zip", "e.bin") +
                            open_ok(dir / "a.zip", result)->entries().at(0).compressed_size;
    overwrite_byte(dir / "a.zip", end - from_end, read_bytes(dir / "a.zip").at(end - from_end) ^ 1);
    auto archive = open_ok(dir / "a.zip", result);
    ASSERT_TRUE(archive);
    EXPECT_EQ(decode(*archive, archive->entries().at(0), "pw").outcome(), ReadStatus::BadCrc);
  }
}

}  // namespace
}  // namespace unzip::test
