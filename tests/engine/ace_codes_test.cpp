// How the ACE backend reads header flags and library results: the binary digits
// counted from the highest set bit, and the message each code stands for.
#include <gtest/gtest.h>

#include <string>

#include "engine/ace/ace_flags.h"
#include "engine/ace/ace_messages.h"

namespace tessaly {
namespace {

TEST(AceFlagsTest, DigitsCountFromTheHighestSetBit) {
  // 0xC000 is 1100000000000000, 0x0006 is 110, 0x0004 is 100.
  EXPECT_TRUE(BinaryDigitIsOne(0xC000, 1));
  EXPECT_TRUE(BinaryDigitIsOne(0xC000, 2));
  EXPECT_FALSE(BinaryDigitIsOne(0xC000, 3));
  EXPECT_TRUE(BinaryDigitIsOne(0x0006, 2));
  EXPECT_FALSE(BinaryDigitIsOne(0x0006, 3));
  EXPECT_FALSE(BinaryDigitIsOne(0x0004, 2));
  EXPECT_FALSE(BinaryDigitIsOne(0x0004, 3));
  EXPECT_TRUE(BinaryDigitIsOne(0x80000000u, 1));
  EXPECT_TRUE(BinaryDigitIsOne(0x80000001u, 32));
  EXPECT_FALSE(BinaryDigitIsOne(0x80000001u, 33)) << "beyond the last digit";
  EXPECT_FALSE(BinaryDigitIsOne(0, 1)) << "0 has no digits";
  EXPECT_FALSE(BinaryDigitIsOne(1, 0));
}

TEST(AceFlagsTest, TheLibrarysFlagsSayEncryptedAndContinued) {
  EXPECT_FALSE(AceEntryEncrypted(0x8000));
  EXPECT_TRUE(AceEntryCounted(0x8000));
  EXPECT_TRUE(AceEntryEncrypted(0xC000));
  EXPECT_TRUE(AceEntryCounted(0xC000));
  EXPECT_FALSE(AceEntryEncrypted(0xA000));
  EXPECT_FALSE(AceEntryCounted(0xA000));
  EXPECT_TRUE(AceEntryEncrypted(0xE010));
  EXPECT_FALSE(AceEntryCounted(0xE010));
  // Without the high bit the digits move: 0x4000 alone is a one-digit "1" at the top.
  EXPECT_FALSE(AceEntryEncrypted(0x4000));
  EXPECT_TRUE(AceEntryEncrypted(0x6000));
}

TEST(AceMessagesTest, OpenResultsThatRefuseTheArchive) {
  EXPECT_EQ(AceOpenResultMessage(0), "");
  EXPECT_EQ(AceOpenResultMessage(1),
            "Not enough memory to allocate decompression structures. Aborting.");
  EXPECT_EQ(AceOpenResultMessage(9), "Main header of archive broken. Aborting.");
  EXPECT_EQ(AceOpenResultMessage(128), "This file is not a valid Ace archive.");
  EXPECT_EQ(AceOpenResultMessage(2), "") << "any other value goes on";
}

// Missing volumes (3), a full disk (4), read errors (6), bad data (9, with and without
// a password) and an unknown type show their texts in the backend's tests.
TEST(AceMessagesTest, ResultCodesTheBackendTestsDoNotReach) {
  const std::string entry = "dir/a.txt";
  const std::string archive = "/tmp/set.c00";
  EXPECT_EQ(AceResultMessage(0, entry, archive, false), "");
  EXPECT_EQ(AceResultMessage(11, entry, archive, true), "") << "11 is success too";
  EXPECT_EQ(AceResultMessage(7, entry, archive, false),
            "Error writing dir/a.txt. Disk is probably write-protected. Operation aborting.");
  EXPECT_EQ(AceResultMessage(131, entry, archive, false),
            "The password you entered was incorrect.");
  const std::string unknown =
      "There was an unknown error encountered during the extraction process. Tessaly does not "
      "currently support Ace version 2 compression. Operation Aborting.";
  for (const int code : {1, 2, 5, 10, 12, 20, 255, -1}) {
    EXPECT_EQ(AceResultMessage(code, entry, archive, false), unknown) << code;
  }
}

}  // namespace
}  // namespace tessaly
