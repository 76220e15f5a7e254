// The RAR 1.3, 1.5 and 2.0 ciphers: their key setup against published values, the
// 2.0 cipher on a block of a real archive, and stored entries encrypted with each
// cipher read through the API with the right and a wrong password.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api_support.h"
#include "rar20_stream_builder.h"
#include "rar_legacy_crypto.h"

namespace unrar_test {
namespace {

std::vector<uint8_t> from_hex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

TEST(LegacyCipherKeys, PublishedValues) {
  const unrar::Rar15Cipher rar15("secret pw");
  EXPECT_EQ(rar15.keys(), (std::array<uint16_t, 4>{0x5453, 0xD8FB, 0x000B, 0x8C4B}));

  const unrar::Rar20Cipher rar20("password");
  EXPECT_EQ(rar20.keys(),
            (std::array<uint32_t, 4>{0xE916E9B7, 0x906709BB, 0xB0AF998B, 0x6DEBD1A5}));
  const std::array<uint8_t, 8> firstEntries = {246, 69, 1, 27, 2, 42, 35, 224};
  EXPECT_TRUE(std::equal(firstEntries.begin(), firstEntries.end(), rar20.substitution().begin()));
}

// A password counts one code page 1252 byte per character, and only its first 127.
TEST(LegacyCipherKeys, PasswordsAreCodePage1252Bytes) {
  EXPECT_EQ(unrar::Rar15Cipher("p\xC3\xA4ssw\xC3\xB6rd \xE2\x82\xAC").keys(),
            unrar::Rar15Cipher("p\xE4ssw\xF6rd \x80").keys());
  EXPECT_EQ(unrar::Rar15Cipher("\xE4\xB8\xAD").keys(), unrar::Rar15Cipher("?").keys());
}

TEST(LegacyCipherKeys, LongPasswordsAreCut) {
  const std::string kept(127, 'k');
  EXPECT_EQ(unrar::Rar20Cipher(kept + "tail").keys(), unrar::Rar20Cipher(kept).keys());
  EXPECT_EQ(unrar::Rar15Cipher(kept + "tail").keys(), unrar::Rar15Cipher(kept).keys());
  EXPECT_NE(unrar::Rar15Cipher(kept).keys(), unrar::Rar15Cipher(kept.substr(1)).keys());
}

// The first block of FILE1.TXT in rar202-comment-psw.rar, and its second block,
// decrypted in one call or block by block: the keys move on with each block.
TEST(Rar20Cipher, DecryptsARealArchiveBlockByBlock) {
  const std::string archive = read_file(corpus("rar202-comment-psw.rar"));
  const std::string firstBlock = "53e67d7e73ce062bbb04ed851c102af6";
  std::vector<uint8_t> cipherText = from_hex(firstBlock);
  const size_t at = archive.find(std::string(cipherText.begin(), cipherText.end()));
  ASSERT_NE(at, std::string::npos);
  const std::string data = archive.substr(at, 32);

  std::string whole = data;
  unrar::Rar20Cipher oneCall("password");
  ASSERT_TRUE(oneCall.decrypt(reinterpret_cast<uint8_t*>(whole.data()), whole.size()));
  EXPECT_EQ(
      whole.substr(0, 16),
      std::string(
          reinterpret_cast<const char*>(from_hex("080040000000000000cf75398750529f").data()), 16));
  std::string pieces = data;
  unrar::Rar20Cipher blockByBlock("password");
  ASSERT_TRUE(blockByBlock.decrypt(reinterpret_cast<uint8_t*>(pieces.data()), 16));
  ASSERT_TRUE(blockByBlock.decrypt(reinterpret_cast<uint8_t*>(pieces.data() + 16), 16));
  EXPECT_EQ(pieces, whole);
  // Whole blocks only.
  EXPECT_FALSE(
      unrar::Rar20Cipher("password").decrypt(reinterpret_cast<uint8_t*>(pieces.data()), 7));
}

// Stored entries encrypted with each cipher and password "secret pw"; unar 1.10.1
// extracts all three from such an archive with matching checksums.
TEST(LegacyCipherArchives, StoredEntriesOfEveryCipher) {
  const std::string text = "Legacy cipher text";
  auto entry = [&](const std::string& name, int version, const std::string& hex) {
    const std::vector<uint8_t> packed = from_hex(hex);
    return Rar20Entry{name, std::string(packed.begin(), packed.end()), text, false, true, version,
                      0x30};
  };
  TempDir dir;
  write_file(
      dir / "legacy.rar",
      rar20_archive({entry("v13.txt", 13, "e6e8af4ac93814685b2bc846b09700e2c267"),
                     entry("v15.txt", 15, "3d97b2d28a47e59dd84232b86f8c8d07fc70"),
                     entry("v20.txt", 20,
                           "4e349d9f9537a520129a3dd769eb56b0e9c6d0e2f63db74e0787473a278b217d")},
                    false));
  fs::create_directory(dir / "out");
  const RunResult right = run_archive(dir / "legacy.rar", RAR_EXTRACT, dir / "out", "secret pw");
  EXPECT_TRUE(right.all_ok());
  for (const char* name : {"v13.txt", "v15.txt", "v20.txt"}) {
    EXPECT_EQ(read_file(dir / ("out/" + std::string(name))), text) << name;
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
