// The libarchive backend through the driver on archives made by bsdtar, 7z and
// dpkg-deb: every format extracts to what bsdtar -x makes of the same archive, and
// hostile archives write nothing outside the destination.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/entry_target.h"
#include "engine/libarchive/libarchive_backend.h"
#include "engine/selection.h"
#include "inspect/archive_listings.h"
#include "inspect/set_info.h"
#include "platform/folder_listing.h"
#include "support/engine_fixture.h"
#include "support/file_size_limit.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

struct FormatRow {
  std::string name;                  // the test's name
  std::string archive;               // the file made, under the test's folder
  std::vector<std::string> command;  // run in the test's folder; the tree is in "tree"
  std::string format;                // libarchive's name of it
  // Writes the archive into the test's folder instead of the command.
  void (*write)(const std::string& root) = nullptr;
};

const StoredFiles kDosFiles = {{"a.txt", "alpha\n"}, {"docs\\b.txt", "beta\n"}};

std::vector<std::string> Bsdtar(const std::string& archive, std::vector<std::string> options) {
  std::vector<std::string> command = {"bsdtar", "-c", "-f", archive};
  command.insert(command.end(), options.begin(), options.end());
  command.insert(command.end(), {"-C", "tree", "."});
  return command;
}

std::vector<std::string> SevenZip(const std::string& archive, std::vector<std::string> options) {
  std::vector<std::string> command = {"7z", "a", "-bd", archive};
  command.insert(command.end(), options.begin(), options.end());
  command.push_back("./tree/*");
  return command;
}

const std::vector<FormatRow> kFormats = {
    {"Tar", "x.tar", Bsdtar("x.tar", {}), "POSIX ustar format"},
    {"TarGz", "x.tar.gz", Bsdtar("x.tar.gz", {"-z"}), "POSIX ustar format"},
    {"Tgz", "x.tgz", Bsdtar("x.tgz", {"-z"}), "POSIX ustar format"},
    {"TarBz2", "x.tar.bz2", Bsdtar("x.tar.bz2", {"-j"}), "POSIX ustar format"},
    {"TarXz", "x.tar.xz", Bsdtar("x.tar.xz", {"-J"}), "POSIX ustar format"},
    {"TarZst", "x.tar.zst", Bsdtar("x.tar.zst", {"--zstd"}), "POSIX ustar format"},
    {"TarLz", "x.tar.lz", Bsdtar("x.tar.lz", {"--lzip"}), "POSIX ustar format"},
    {"TarLz4", "x.tar.lz4", Bsdtar("x.tar.lz4", {"--lz4"}), "POSIX ustar format"},
    {"PaxTar", "x.tar", Bsdtar("x.tar", {"--format", "pax"}), "POSIX pax interchange format"},
    {"Cpio", "x.cpio", Bsdtar("x.cpio", {"--format", "newc"}), "ASCII cpio (SVR4 with no CRC)"},
    {"Bsdtar7z", "x.7z", Bsdtar("x.7z", {"--format", "7zip"}), "7-Zip"},
    {"Xar", "x.xar", Bsdtar("x.xar", {"--format", "xar"}), "xar"},
    {"Iso", "x.iso", Bsdtar("x.iso", {"--format", "iso9660"}), "ISO9660"},
    {"SevenZipLzma2", "x.7z", SevenZip("x.7z", {"-m0=LZMA2"}), "7-Zip"},
    {"SevenZipPpmd", "x.7z", SevenZip("x.7z", {"-m0=PPMd"}), "7-Zip"},
    {"SevenZipBcj2", "x.7z",
     SevenZip("x.7z", {"-m0=BCJ2", "-m1=LZMA:d25", "-m2=LZMA:d19", "-m3=LZMA:d19", "-mb0:1",
                       "-mb0s1:2", "-mb0s2:3"}),
     "7-Zip"},
    {"SevenZipSplit", "x.7z.001", SevenZip("x.7z", {"-v40k"}), "7-Zip"},
    {"Deb", "x.deb", {"dpkg-deb", "--build", "--root-owner-group", "tree", "x.deb"}, "ar"},
    {"Lha",
     "x.lzh",
     {},
     "lha",
     [](const std::string& root) { WriteFileText(root + "/x.lzh", LhaArchive(kDosFiles)); }},
    {"Cab",
     "x.cab",
     {},
     "CAB",
     [](const std::string& root) { WriteFileText(root + "/x.cab", CabArchive(kDosFiles)); }},
    {"CabMszip",
     "x.cab",
     {"sh", "-c", "cd tree && gcab -c -z ../x.cab a.txt docs/b.txt docs/deep/big.txt run.sh"},
     "CAB"},
    {"Rpm",
     "x.rpm",
     {},
     "ASCII cpio (SVR4 with no CRC)",
     [](const std::string& root) {
       ASSERT_EQ(RunTool(Bsdtar("payload", {"-z", "--format", "newc"}), root), 0);
       WriteFileText(root + "/x.rpm", RpmPackage(ReadFileText(root + "/payload")));
     }},
    {"RpmXz",
     "x.rpm",
     {},
     "ASCII cpio (SVR4 with no CRC)",
     [](const std::string& root) {
       ASSERT_EQ(RunTool(Bsdtar("payload", {"-J", "--format", "newc"}), root), 0);
       WriteFileText(root + "/x.rpm", RpmPackage(ReadFileText(root + "/payload")));
     }},
};

class LibarchiveFormatTest : public DestinationJobTest,
                             public ::testing::WithParamInterface<FormatRow> {};

// The main window's path: probe, driver, backend; then bsdtar on the same archive.
TEST_P(LibarchiveFormatTest, ExtractsWhatBsdtarExtracts) {
  const FormatRow& row = GetParam();
  WriteSampleTree(PathOf("tree"));
  if (row.archive == "x.deb") {
    fs::create_directories(PathOf("tree/DEBIAN"));
    WriteFileText(PathOf("tree/DEBIAN/control"),
                  "Package: x\nVersion: 1\nArchitecture: all\nMaintainer: t <t@t>\n"
                  "Description: test\n");
  }
  if (row.write != nullptr) {
    row.write(Root());
  } else {
    ASSERT_EQ(RunTool(row.command, Root()), 0);
  }
  const std::string archive = PathOf(row.archive);

  EXPECT_EQ(Detect(archive), "libarchive");
  EXPECT_EQ(session.job.archiveFormat.substr(0, row.format.size()), row.format);
  ExtractOne(archive);
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + archive));

  fs::create_directory(PathOf("reference"));
  ASSERT_EQ(
      RunTool({"bsdtar", "-x", "--no-same-permissions", "-f", archive, "-C", "reference"}, Root()),
      0);
  EXPECT_EQ(DescribeTree(out_), DescribeTree(PathOf("reference")));
  EXPECT_FALSE(DescribeTree(out_).empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, LibarchiveFormatTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return info.param.name; });

using LibarchiveBackendTest = DestinationJobTest;

// The desktop program's command line: the destination is asked, then the archive extracted.
TEST_F(LibarchiveBackendTest, TheProgramsCommandLineExtracts) {
  WriteFileText(PathOf("tree/a.txt"), "alpha");
  ASSERT_EQ(RunTool(Bsdtar("x.tgz", {"-z"}), Root()), 0);
  dialogs.destinationAnswers = {{out_ + "/", false}};
  ParseCommandLine(session, std::nullopt, {PathOf("x.tgz")});
  EXPECT_FALSE(dialogs.destinationRequests.at(0).showPerArchiveCheck);
  EXPECT_EQ(ReadFileText(Out("a.txt")), "alpha");
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// bsdtar does not take a single compressed file; xz's own reading is the reference.
// Plain data is no archive, whatever its name: the probe's refusal.
TEST_F(LibarchiveBackendTest, ASingleCompressedFileExtractsUnderItsNameLessTheExtension) {
  WriteFileText(PathOf("notes.txt"), std::string(100000, 'n') + "end\n");
  ASSERT_EQ(RunTool({"xz", "-k", "notes.txt"}, Root()), 0);
  fs::rename(PathOf("notes.txt.xz"), PathOf("renamed.txt.xz"));
  ExtractOne(PathOf("renamed.txt.xz"));
  EXPECT_EQ(session.job.archiveFormat, "xz");
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"renamed.txt"});
  EXPECT_EQ(ReadFileText(Out("renamed.txt")), ReadFileText(PathOf("notes.txt")));
  EXPECT_EQ(session.status.archiveLabel, kFinished);

  WriteFileText(PathOf("plain.tar.gz"), std::string(4000, 'p'));
  ExtractOne(PathOf("plain.tar.gz"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text.rfind(NotSupportedStart(PathOf("plain.tar.gz")), 0), 0u);
}

TEST_F(LibarchiveBackendTest, EncryptedSevenZipIsRefusedAsEncryptedNotDamaged) {
  WriteFileText(PathOf("tree/a.txt"), "secret");
  for (const std::string hidden : {"-mhe=off", "-mhe=on"}) {
    dialogs.messages.clear();
    const std::string archive = PathOf("locked" + hidden + ".7z");
    ASSERT_EQ(RunTool({"7z", "a", "-bd", "-psecret", hidden, archive, "./tree/*"}, Root()), 0);
    ExtractOne(archive);
    ExpectOnlyMessage(Encrypted7zText(archive));
    EXPECT_TRUE(TreeOf(out_).empty()) << hidden;
  }
}

// A 7z entry whose CRC does not match is a CRC error; the file it was writing
// leaves nothing behind, and the old file of that name is untouched.
TEST_F(LibarchiveBackendTest, ADamagedEntryIsACrcErrorAndKeepsTheOldFile) {
  WriteSampleTree(PathOf("tree"));
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-m0=Copy", "x.7z", "./tree/a.txt", "./tree/docs"}, Root()),
            0);
  std::string bytes = ReadFileText(PathOf("x.7z"));
  bytes[32 + 1000] ^= 0x55;  // past the signature header and a.txt, inside big.txt
  WriteFileText(PathOf("x.7z"), bytes);
  fs::create_directories(Out("docs/deep"));
  WriteFileText(Out("docs/deep/big.txt"), "old");
  SetSetting("libarchive options", "auto overwrite", "1");
  ExtractOne(PathOf("x.7z"));
  ExpectOnlyMessage("Tessaly encountered a CRC error while processing \"" + PathOf("x.7z") +
                    "\". Operation aborted.");
  EXPECT_EQ(ReadFileText(Out("a.txt")), "alpha\n");
  EXPECT_EQ(ReadFileText(Out("docs/deep/big.txt")), "old");
  EXPECT_EQ(TreeOf(Out("docs/deep")), std::vector<std::string>{"big.txt"});
}

TEST_F(LibarchiveBackendTest, AFullDiskKeepsTheOldFile) {
  WriteFileText(PathOf("tree/big.bin"), std::string(200000, 'b'));
  ASSERT_EQ(RunTool(Bsdtar("x.tar.bz2", {"-j"}), Root()), 0);
  WriteFileText(Out("big.bin"), "old");
  SetSetting("libarchive options", "auto overwrite", "1");
  {
    ScopedFileSizeLimit limit(50000);
    ASSERT_TRUE(limit.active());
    ExtractOne(PathOf("x.tar.bz2"));
  }
  ExpectOnlyMessage("Error writing big.bin. Disk full. Operation aborting.");
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"big.bin"});
  EXPECT_EQ(ReadFileText(Out("big.bin")), "old");
}

// No: the old file stays; Yes: replaced; Cancel: the archive stops there. Modes come
// without set-user-ID bits.
TEST_F(LibarchiveBackendTest, ExistingFilesAreAskedAboutAndModesLoseSetUserId) {
  WriteFileText(PathOf("tree/a.txt"), "new a");
  WriteFileText(PathOf("tree/b.txt"), "new b");
  WriteFileText(PathOf("tree/c.txt"), "new c");
  fs::permissions(PathOf("tree/b.txt"), fs::perms(04755));
  ASSERT_EQ(RunTool({"bsdtar", "-cf", "x.tar", "-C", "tree", "a.txt", "b.txt", "c.txt"}, Root()),
            0);
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFileText(Out(name), "old");
  dialogs.fileExistsAnswers = {"No", "Yes", "Cancel"};
  ExtractOne(PathOf("x.tar"));
  EXPECT_EQ(dialogs.fileExistsQuestions,
            (std::vector<std::string>{ExistsQuestion("a.txt"), ExistsQuestion("b.txt"),
                                      ExistsQuestion("c.txt")}));
  EXPECT_EQ(ReadFileText(Out("a.txt")), "old");
  EXPECT_EQ(ReadFileText(Out("b.txt")), "new b");
  EXPECT_EQ(ReadFileText(Out("c.txt")), "old");
  EXPECT_EQ(fs::status(Out("b.txt")).permissions(), fs::perms(0755));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

// Traversal, absolute names, a link out and a file through it, a hard link to a
// system file: in tar and in 7z, nothing lands outside the destination. The absolute
// names, the hard link's target too, are taken inside it.
TEST_F(LibarchiveBackendTest, HostileArchivesWriteNothingOutside) {
  const std::string outside = PathOf("outside");
  fs::create_directories(outside);
  fs::create_directories(PathOf("src/inner"));
  WriteFileText(PathOf("src/up.txt"), "up");
  WriteFileText(PathOf("src/abs.txt"), "abs");
  WriteFileText(PathOf("src/inner/through.txt"), "through");
  WriteFileText(PathOf("src/pw"), "pw");
  fs::create_hard_link(PathOf("src/pw"), PathOf("src/pwlink"));
  fs::create_symlink(outside, PathOf("src/evil"));
  for (const std::string format : {"ustar", "7zip"}) {
    SCOPED_TRACE(format);
    fs::remove_all(out_);
    fs::create_directory(out_);
    dialogs.messages.clear();
    const std::string archive = PathOf("hostile." + std::string(format == "ustar" ? "tar" : "7z"));
    // Stored as "../up.txt", an absolute path, "evil" (a link out) followed by
    // "evil/through.txt", and "pwlink" a hard link to "/etc/passwd" (tar only).
    ASSERT_EQ(RunTool({"bsdtar",
                       "-c",
                       "-f",
                       archive,
                       "--format",
                       format,
                       "-P",
                       "-s",
                       "|^up.txt$|../up.txt|",
                       "-s",
                       "|^abs.txt$|" + outside + "/abs.txt|",
                       "-s",
                       "|^inner/|evil/|",
                       "-s",
                       "|^pw$|/etc/passwd|",
                       "up.txt",
                       "abs.txt",
                       "evil",
                       "inner/through.txt",
                       "pw",
                       "pwlink"},
                      PathOf("src")),
              0);
    ExtractOne(archive);
    EXPECT_TRUE(TreeOf(outside).empty());
    EXPECT_FALSE(fs::exists(PathOf("up.txt")));
    EXPECT_FALSE(fs::exists(Out("up.txt")));
    EXPECT_EQ(ReadFileText(Out(outside.substr(1) + "/abs.txt")), "abs");
    EXPECT_EQ(ReadFileText(Out("evil/through.txt")), "through");
    EXPECT_EQ(ReadFileText(Out("etc/passwd")), "pw");
    EXPECT_EQ(ReadFileText(Out("pwlink")), "pw");
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{OutsideDestinationText("../up.txt"),
                                                        LinkOutsideDestinationText("evil")}));
    EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  }
}

// The contents window's rows in the archive's order without folders, with dates, sizes
// and paths; Set Info counts a split set's volumes and a single file as one.
TEST_F(LibarchiveBackendTest, ListingAndSetInfo) {
  WriteSampleTree(PathOf("tree"));
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-v2k", "x.7z", "./tree/a.txt", "./tree/docs"}, Root()), 0);
  ASSERT_TRUE(fs::exists(PathOf("x.7z.003")));
  const std::string archive = PathOf("x.7z.001");
  ASSERT_EQ(ProbeArchiveForContents(session, archive), "libarchive");
  ASSERT_EQ(ListArchive(session, "libarchive", archive), ListingResult::Listed);
  std::vector<std::string> rows;
  for (const ContentsRow& row : session.contents.rows) {
    rows.push_back(row.text + "|" + row.storedName + "|" + row.subItems[1] + "|" + row.subItems[2] +
                   "|" + row.iconKey);
  }
  EXPECT_EQ(rows,
            (std::vector<std::string>{
                "a.txt|a.txt|6||txt", "b-again.txt|docs/b-again.txt|5|docs/|txt",
                "b.txt|docs/b.txt|5|docs/|txt", "big.txt|docs/deep/big.txt|195592|docs/deep/|txt",
                "to-a|docs/to-a|0|docs/|Others"}));
  struct stat a {};
  ASSERT_EQ(stat(PathOf("tree/a.txt").c_str(), &a), 0);
  EXPECT_EQ(session.contents.rows[0].subItems[0], FormatFileDate(a.st_mtim.tv_sec));
  EXPECT_EQ(session.contents.totals, "Total Files: 5  Total Uncompressed Size: 195608");
  EXPECT_TRUE(dialogs.messages.empty());

  const SetInfo set = ReadSetInfo(archive, "001", false, "x.7z.001");
  EXPECT_GE(set.volumeCount, 3);
  EXPECT_EQ(set.volumes.front().name, "x.7z.001");
  ASSERT_EQ(RunTool({"gzip", "-k", "tree/a.txt"}, Root()), 0);
  EXPECT_EQ(SetSummaryText(ReadSetInfo(PathOf("tree/a.txt.gz"), ".gz", false, "a.txt.gz")),
            "This set appears to contain 1 file(s) totalling " +
                std::to_string(fs::file_size(PathOf("tree/a.txt.gz"))) + " bytes.");
}

}  // namespace
}  // namespace tessaly::testing
