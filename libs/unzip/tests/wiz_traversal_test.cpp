// Links in the archive (what leads out of the folder is refused at the path rule and
// shown through the ZIP backend, as is a full disk).
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

using WizTraversal = WizTest;

TEST_F(WizTraversal, DanglingLinkInsideCanBeExtractedAgain) {
  call_.options.noflag = 1;
  EXPECT_EQ(extract({Entry("later", "not/yet/there.txt").mode(0120777)}), PK_OK);
  Recorder again;
  EXPECT_EQ(call_.run(again), PK_OK) << again.joined();
  EXPECT_EQ(fs::read_symlink("out/later"), "not/yet/there.txt");
}

}  // namespace
}  // namespace unzip::test
