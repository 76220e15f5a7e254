// The RAR 1.3, 1.5 and 2.0 ciphers: how passwords become keys, and stored entries
// encrypted with each cipher read through the API with the right and a wrong
// password (the corpus's RAR 2.0 archive with a password decrypts its packed data).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api_support.h"
#include "decoder_test_support.h"
#include "rar_legacy_crypto.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

using unrar::test::from_hex;

// A password counts one code page 1252 byte per character, and only its first 127;
// the 2.0 cipher decrypts whole blocks only.
TEST(LegacyCipherKeys, PasswordsAreCodePage1252BytesCutAt127) {
  EXPECT_EQ(unrar::Rar15Cipher("p\xC3\xA4ssw\xC3\xB6rd \xE2\x82\xAC").keys(),
            unrar::Rar15Cipher("p\xE4ssw\xF6rd \x80").keys());
  EXPECT_EQ(unrar::Rar15Cipher("\xE4\xB8\xAD").keys(), unrar::Rar15Cipher("?").keys());
  const std::string kept(127, 'k');
  EXPECT_EQ(unrar::Rar20Cipher(kept + "tail").keys(), unrar::Rar20Cipher(kept).keys());
  EXPECT_EQ(unrar::Rar15Cipher(kept + "tail").keys(), unrar::Rar15Cipher(kept).keys());
  EXPECT_NE(unrar::Rar15Cipher(kept).keys(), unrar::Rar15Cipher(kept.substr(1)).keys());
  uint8_t data[7] = {};
  EXPECT_FALSE(unrar::Rar20Cipher("password").decrypt(data, sizeof data));
}

// Stored entries encrypted with each cipher and password "secret pw"; unar 1.10.1
// extracts all three from such an archive with matching checksums.
TEST(LegacyCipherArchives, StoredEntriesOfEveryCipher) {
  const std::string text = "Legacy cipher text";
  auto entry = [&](const std::string& name, uint8_t version, const std::string& hex) {
    const std::vector<uint8_t> packed = from_hex(hex);
    return tessaly::testing::RarTestEntry{.name = name,
                                          .data = text,
                                          .encrypted = true,
                                          .rar4Version = version,
                                          .packed = std::string(packed.begin(), packed.end())};
  };
  TempDir dir;
  tessaly::testing::WriteRar(
      dir / "legacy.rar",
      {entry("v13.txt", 13, "e6e8af4ac93814685b2bc846b09700e2c267"),
       entry("v15.txt", 15, "3d97b2d28a47e59dd84232b86f8c8d07fc70"),
       entry("v20.txt", 20, "4e349d9f9537a520129a3dd769eb56b0e9c6d0e2f63db74e0787473a278b217d")});
  fs::create_directory(dir / "out");
  const RunResult right = run_archive(dir / "legacy.rar", RAR_EXTRACT, dir / "out", "secret pw");
  EXPECT_TRUE(right.all_ok());
  for (const char* name : {"v13.txt", "v15.txt", "v20.txt"}) {
    EXPECT_EQ(ReadFileText(dir / ("out/" + std::string(name))), text) << name;
  }
  const RunResult wrong = run_archive(dir / "legacy.rar", RAR_TEST, "", "secret pW");
  ASSERT_EQ(wrong.entries.size(), 3u);
  for (const EntryOutcome& outcome : wrong.entries) EXPECT_EQ(outcome.result, ERAR_BAD_DATA);
  const RunResult none = run_archive(dir / "legacy.rar", RAR_TEST);
  for (const EntryOutcome& outcome : none.entries) {
    EXPECT_EQ(outcome.result, ERAR_MISSING_PASSWORD);
  }
}

}  // namespace
}  // namespace unrar_test
