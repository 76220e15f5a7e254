// The backend's texts for library results that its tests through the library do not
// reach: open results other than "not an archive", and the codes it does not know.
#include <gtest/gtest.h>

#include <string>

#include "engine/ace/ace_messages.h"

namespace tessaly {
namespace {

TEST(AceMessagesTest, OpenResultsThatRefuseTheArchive) {
  EXPECT_EQ(AceOpenResultMessage(0), "");
  EXPECT_EQ(AceOpenResultMessage(1),
            "Not enough memory to allocate decompression structures. Aborting.");
  EXPECT_EQ(AceOpenResultMessage(9), "Main header of archive broken. Aborting.");
  EXPECT_EQ(AceOpenResultMessage(2), "") << "any other value goes on";
}

TEST(AceMessagesTest, ResultCodesTheBackendTestsDoNotReach) {
  const std::string entry = "dir/a.txt";
  const std::string archive = "/tmp/set.c00";
  EXPECT_EQ(AceResultMessage(0, entry, archive, false), "");
  EXPECT_EQ(AceResultMessage(11, entry, archive, true), "") << "11 is success too";
  const std::string unknown =
      "There was an unknown error encountered during the extraction process. Tessaly does not "
      "currently support Ace version 2 compression. Operation Aborting.";
  for (const int code : {1, 10, 255, -1}) {
    EXPECT_EQ(AceResultMessage(code, entry, archive, false), unknown) << code;
  }
}

}  // namespace
}  // namespace tessaly
