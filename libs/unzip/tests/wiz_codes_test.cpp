// The final code of a whole call when names are not matched (the other codes come
// from the password, method and name tests).
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

using WizCodes = WizTest;

TEST_F(WizCodes, UnmatchedIncludeGivesElevenExcludesNever) {
  write_zip("a.zip", {{"a.txt", "a"}, {"d/b.txt", "b"}});
  call_.includes = {"a.txt", "b.txt"};
  call_.excludes = {"nothing*"};
  EXPECT_EQ(extract("a.zip"), PK_FIND);
  EXPECT_EQ(recorder_.chunks,
            chunks({extracting("out/a.txt"), "\n", "caution: filename not matched:  b.txt\n",
                    "caution: excluded filename not matched:  nothing*\n"}));

  Recorder excluded_only;
  call_.includes.clear();
  call_.options.noflag = 1;
  EXPECT_EQ(call_.run(excluded_only), PK_OK);
  EXPECT_EQ(excluded_only.chunks.back(), "caution: excluded filename not matched:  nothing*\n");

  Recorder nothing_selected;
  call_.excludes = {"*"};
  EXPECT_EQ(call_.run(nothing_selected), PK_FIND);
  EXPECT_TRUE(nothing_selected.chunks.empty());
}

}  // namespace
}  // namespace unzip::test
