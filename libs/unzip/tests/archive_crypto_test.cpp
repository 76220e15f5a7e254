// WinZip AES beyond the corpus (AE-2 entries, whose wrong passwords go through the
// whole call): tampering at the end of the entry.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

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
