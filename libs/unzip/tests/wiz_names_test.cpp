// From stored names to output paths: warnings, FAT backslashes, stored folders or not.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

using WizNames = WizTest;

// Such an archive (libarchive's test_compat_zip_8) was once written right and then
// reported as failed.
TEST_F(WizNames, FatBackslashesWarnOncePerCallAndFailNothing) {
  EXPECT_EQ(extract({Entry("dir\\sub\\f.txt", "f").host(ZIP_OPSYS_DOS),
                     Entry("dir\\g.txt", "g").host(ZIP_OPSYS_DOS), Entry("unix\\h.txt", "h"),
                     Entry("d/x\\y.txt", "x").host(ZIP_OPSYS_DOS)}),
            PK_OK);
  EXPECT_EQ(recorder_.chunks,
            chunks({"warning:  n.zip appears to use backslashes as path separators\n",
                    extracting("out/dir/sub/f.txt"), "\n", extracting("out/dir/g.txt"), "\n",
                    extracting("out/unix_h.txt"), "\n", extracting("out/d/x_y.txt"), "\n"}));
  EXPECT_EQ(read_text("out/dir/sub/f.txt"), "f");
  EXPECT_EQ(read_text("out/unix_h.txt"), "h");
  EXPECT_EQ(read_text("out/d/x_y.txt"), "x");  // a FAT name with slashes keeps its backslashes
}

TEST_F(WizNames, BaseNamesOnly) {
  call_.options.ndflag = 0;
  EXPECT_EQ(extract({Entry("d/", ""), Entry("d/b.txt", "first"), Entry("e/b.txt", "second"),
                     Entry("../../x/c.txt", "c")}),
            PK_OK);
  EXPECT_EQ(recorder_.chunks,
            chunks({extracting("out/b.txt"), "\n", "Target file exists.  Skipping out/b.txt\n",
                    extracting("out/c.txt"), "\n"}));
  EXPECT_EQ(read_text("out/b.txt"), "first");
  EXPECT_FALSE(fs::exists("out/d"));
  EXPECT_EQ(recorder_.service_calls.size(), 2u);
}

// Control characters become "_" on disk and in every chunk naming the entry.
TEST_F(WizNames, ControlBytesAndBlanks) {
  call_.options.SpaceToUnderscore = 1;
  write_zip("n.zip",
            {Entry("ctl#name.txt", "c"), Entry("a b/c d.txt", "s"), Entry("bad##.bin", "x")});
  replace_bytes("n.zip", "ctl#", "ctl\x01");
  set_method("n.zip", "bad##.bin", 96);
  replace_bytes("n.zip", "bad##", "bad\x02\x7f");
  EXPECT_EQ(extract("n.zip"), IZ_UNSUP);
  EXPECT_EQ(recorder_.chunks,
            chunks({skipping("bad__.bin", "unsupported compression method 96"),
                    extracting("out/ctl_name.txt"), "\n", extracting("out/a_b/c_d.txt"), "\n"}));
  EXPECT_EQ(read_text("out/ctl_name.txt"), "c");
  EXPECT_EQ(read_text("out/a_b/c_d.txt"), "s");
}

}  // namespace
}  // namespace unzip::test
