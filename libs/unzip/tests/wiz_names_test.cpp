// From stored names to output paths: warnings, FAT backslashes, stored folders or not.
#include <gtest/gtest.h>

#include "test_support.h"

namespace unzip::test {
namespace {

using WizNames = WizTest;

// ndflag above 1 is 1. A leading "/" goes without a word; ".." that stays inside is
// followed, one that climbs out refuses the entry.
TEST_F(WizNames, LeadingSlashesAreDroppedAndNamesThatClimbOutRefused) {
  call_.options.ndflag = 2;
  EXPECT_EQ(extract({Entry("../up.txt", "u"), Entry("a/./b/../../c.txt", "c"),
                     Entry("a/../../x.txt", "x"), Entry("//abs.txt", "a")}),
            PK_ERR);
  EXPECT_EQ(recorder_.chunks,
            chunks({skipping("../up.txt", "unsafe path"), extracting("out/c.txt"), "\n",
                    skipping("a/../../x.txt", "unsafe path"), extracting("out/abs.txt"), "\n"}));
  EXPECT_EQ(read_text("out/c.txt"), "c");
  EXPECT_EQ(read_text("out/abs.txt"), "a");
  EXPECT_EQ(std::distance(fs::directory_iterator("."), {}), 2) << "only n.zip and out";
}

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

TEST_F(WizNames, FatNamesAreShownWithSlashesButMatchedAsStored) {
  write_zip("n.zip", {Entry("dir\\f.txt", "f").host(ZIP_OPSYS_DOS)});
  call_.zip = "n.zip";
  call_.options.nvflag = 1;
  call_.includes = {"dir\\\\f.txt"};
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  ASSERT_EQ(recorder_.listed.size(), 1u);
  EXPECT_EQ(recorder_.listed[0].name, "dir/f.txt");
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

// Each is said and the call goes on; the worst code is the one returned.
TEST_F(WizNames, FolderOrFileThatCannotBeCreated) {
  fs::create_directory("out");
  write_text("out/taken", "a file");
  const std::string long_name(300, 'n');
  EXPECT_EQ(extract({Entry("taken/x.txt", "x"), Entry(long_name, "x"), Entry("ok.txt", "o")}),
            PK_DISK);
  EXPECT_EQ(recorder_.chunks,
            chunks({"checkdir error:  cannot create out/taken\n"
                    "                 Not a directory\n"
                    "                 unable to process taken/x.txt.\n",
                    "error:  cannot create out/" + long_name + "\n        File name too long\n",
                    extracting("out/ok.txt"), "\n"}));
  EXPECT_EQ(read_text("out/ok.txt"), "o");
  EXPECT_EQ(recorder_.service_calls.size(), 2u);  // the file entry and ok.txt
}

}  // namespace
}  // namespace unzip::test
