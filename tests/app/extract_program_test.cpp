// End-to-end: the built tessaly-extract on archives made by the tests. The texts of the
// engine's questions are the driver tests' part; here what the console makes of them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/extract_program_fixture.h"
#include "platform/folder_listing.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::string> kTwoFiles = {{"a.txt", "new a\n"},
                                                      {"docs/b.txt", "new b\n"}};

using ExtractProgram = ExtractProgramTest;

TEST_F(ExtractProgram, AsksForTheDestinationAndRecordsItInTheHistory) {
  MakeZip("two.zip", kTwoFiles);
  const ProcessResult run = Run({"two.zip"}, "picked\n\n");  // folder, then Go by default
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.err.find("Extract to folder: "), std::string::npos);
  EXPECT_NE(run.err.find("Confirmation: You have chosen to extract the contents of the selected "
                         "archive(s) to the folder:"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFileText(work() / "picked/a.txt"), "new a\n");
  const std::string picked = (work() / "picked").string() + "/";
  EXPECT_EQ(StoredSetting("Destination Folder Hist", "folder1"), picked);
  EXPECT_EQ(StoredSetting("General", "First time"), "0");
  EXPECT_EQ(StoredSetting("General", "Show confirmation"), "1");
}

// No folder typed, or Cancel at the confirmation once the folder is made: nothing is
// extracted.
TEST_F(ExtractProgram, NoDestinationOrCancelExtractsNothing) {
  MakeZip("two.zip", kTwoFiles);
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> tree;
  } cases[] = {
      {{"-y", "two.zip"}, "", {"two.zip"}},
      {{"-y", "two.zip"}, "\n", {"two.zip"}},
      {{"-d", "out", "two.zip"}, "y\nc\n", {"out/", "two.zip"}},  // create the folder, then Cancel
  };
  for (const auto& c : cases) {
    const ProcessResult run = Run(c.args, c.input);
    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_EQ(TreeOf(work()), c.tree) << c.input;
  }
}

TEST_F(ExtractProgram, FileExistsAnswersFromStandardInput) {
  struct Case {
    const char* name;
    std::string answers;
    int exitStatus;
    std::string a;
    std::string b;
    size_t questions;
  };
  const Case cases[] = {
      {"yes then no", "y\nn\n", 0, "new a\n", "old\n", 2},
      {"all", "a\n", 0, "new a\n", "new b\n", 1},
      {"cancel", "c\n", 1, "old\n", "old\n", 1},
      {"end of input takes No", "", 0, "old\n", "old\n", 2},
  };
  MakeZip("two.zip", kTwoFiles);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileText(work() / "out/a.txt", "old\n");
    WriteFileText(work() / "out/docs/b.txt", "old\n");
    const ProcessResult run = Run({"-d", "out", "two.zip"}, "g\n" + c.answers);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
    EXPECT_EQ(ReadFileText(work() / "out/a.txt"), c.a);
    EXPECT_EQ(ReadFileText(work() / "out/docs/b.txt"), c.b);
    EXPECT_EQ(Occurrences(run.err, "File Exists: The file "), c.questions) << run.err;
    EXPECT_NE(run.err.find(c.exitStatus == 0 ? kFinished : kNotFinished), std::string::npos);
  }
}

// Permission bits from the archive, as far as the umask allows; never set-user-ID,
// set-group-ID or sticky.
TEST_F(ExtractProgram, ModesAreTheArchivesWithinTheUmask) {
  const std::pair<uint32_t, std::string> modes[] = {
      {04777, "setuid"}, {02775, "setgid"}, {01777, "sticky"}, {0664, "plain"}};
  std::vector<ZipTestEntry> entries;
  for (const auto& [mode, name] : modes) {
    entries.emplace_back(name, name);
    entries.back().unixMode = mode;
  }
  WriteZip((work() / "modes.zip").string(), entries);
  const mode_t previous = umask(027);
  const ProcessResult run = Run({"-y", "-d", "out", "modes.zip"});
  umask(previous);
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  for (const auto& [mode, name] : modes) {
    struct stat info {};
    ASSERT_EQ(stat((work() / "out" / name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_mode & 07777, mode & 0750) << name;
  }
}

// The archives read through libarchive: extracted as bsdtar extracts them, listed with
// their format.
TEST_F(ExtractProgram, OtherArchivesExtractAsBsdtarDoesAndList) {
  WriteSampleTree(work() / "tree");
  ASSERT_EQ(RunTool({"bsdtar", "-cJf", "x.tar.xz", "-C", "tree", "."}, work()), 0);
  ProcessResult run = Run({"-y", "-d", "out", "x.tar.xz"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  fs::create_directory(work() / "reference");
  ASSERT_EQ(RunTool({"bsdtar", "-x", "--no-same-permissions", "-f", "x.tar.xz", "-C", "reference"},
                    work()),
            0);
  EXPECT_EQ(DescribeTree(work() / "out"), DescribeTree(work() / "reference"));

  WriteFileText(work() / "tree/one.txt", "1");
  ASSERT_EQ(
      RunTool({"bsdtar", "-cf", "one.7z", "--format", "7zip", "-C", "tree", "one.txt"}, work()), 0);
  run = Run({"-l", "one.7z"});
  EXPECT_EQ(run.exitStatus, 0);
  struct stat one {};
  ASSERT_EQ(stat((work() / "tree/one.txt").c_str(), &one), 0);
  const std::string date = FormatFileDate(one.st_mtim.tv_sec);
  EXPECT_EQ(run.out, "Archive: one.7z\nFormat: 7-Zip\none.txt\t" + date +
                         "\t1\nTotal Files: 1  Total Uncompressed Size: 1\n");
}

// --keep-broken reaches the job: the damaged entry is kept, and the archive did not finish.
TEST_F(ExtractProgram, KeepBrokenKeepsADamagedEntry) {
  WriteFileText(work() / "a.txt", "damaged data");
  ASSERT_EQ(RunTool({"zip", "-0", "-q", "d.zip", "a.txt"}, work()), 0);
  DamageBytes((work() / "d.zip").string(), "damaged data");
  EXPECT_EQ(Run({"--keep-broken", "-y", "-d", "out", "d.zip"}).exitStatus, 1);
  EXPECT_EQ(ReadFileText(work() / "out/a.txt.damaged"), "Damaged data");
}

TEST_F(ExtractProgram, UsageHelpAndVersion) {
  struct Case {
    std::vector<std::string> args;
    int exitStatus;
  };
  for (const Case& c : {Case{{}, 64}, Case{{"--bogus", "a.zip"}, 64}}) {
    const ProcessResult run = Run(c.args);
    EXPECT_EQ(run.exitStatus, c.exitStatus);
    EXPECT_NE(run.err.find("Usage: tessaly-extract [options] ARCHIVE..."), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
  ProcessResult run = Run({"--help"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out.rfind("Usage: tessaly-extract [options] ARCHIVE...\n", 0), 0u);
  run = Run({"--version"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out.rfind("tessaly-extract 3.6\nArchives are read in a confined process: ", 0), 0u)
      << run.out;
}

}  // namespace
}  // namespace tessaly::testing
