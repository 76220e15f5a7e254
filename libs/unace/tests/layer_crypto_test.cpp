// What the encrypted corpus archives do not show of the cipher: the password is cut
// at 50 bytes.
#include <gtest/gtest.h>

#include <string>

#include "ace_crypto.h"

namespace unace {
namespace {

TEST(AceKey, LongPasswordsAreCutAtFiftyBytes) {
  const std::string fifty(50, 'k');
  EXPECT_EQ(derive_ace_key(fifty + "tail"), derive_ace_key(fifty));
  EXPECT_NE(derive_ace_key(fifty.substr(1)), derive_ace_key(fifty));
}

}  // namespace
}  // namespace unace
