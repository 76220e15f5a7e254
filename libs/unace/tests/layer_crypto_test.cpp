// The cipher against the format's published vectors, and what the corpus archives do
// not show: the password cut at 50 bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ace_crypto.h"

namespace unace {
namespace {

// Sixteen zero bytes encrypted in CBC with each password decrypt back to zeros, also
// in two calls: the chain runs on from one piece to the next.
TEST(AceCbc, DecryptsTheVectorsInPieces) {
  const struct {
    const char* password;
    std::vector<uint8_t> cipherText;
  } cases[] = {{"123456789",
                {0x63, 0xa2, 0x5b, 0xfd, 0x6a, 0x8b, 0x6c, 0x95, 0x2d, 0x73, 0xc2, 0x62, 0x0a, 0xb3,
                 0xf2, 0xe2}},
               {"pass",
                {0x3a, 0xfd, 0x28, 0xc2, 0xb0, 0x3c, 0xc7, 0xd5, 0xb1, 0xe4, 0x88, 0x75, 0xe7, 0x8a,
                 0x8d, 0x6c}}};
  for (const auto& row : cases) {
    std::vector<uint8_t> data = row.cipherText;
    AceCbcDecryptor decryptor(row.password);
    decryptor.decrypt(data.data(), 8);
    decryptor.decrypt(data.data() + 8, 8);
    EXPECT_EQ(data, std::vector<uint8_t>(16, 0)) << row.password;
  }
}

TEST(AceKey, LongPasswordsAreCutAtFiftyBytes) {
  const std::string fifty(50, 'k');
  EXPECT_EQ(derive_ace_key(fifty + "tail"), derive_ace_key(fifty));
  EXPECT_NE(derive_ace_key(fifty.substr(1)), derive_ace_key(fifty));
}

}  // namespace
}  // namespace unace
