// The libarchive backend through the driver on archives made by bsdtar, 7z and
// dpkg-deb: every format extracts to what bsdtar -x makes of the same archive, and
// hostile archives write nothing outside the destination.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/entry_messages.h"
#include "engine/entry_target.h"
#include "engine/libarchive/libarchive_backend.h"
#include "engine/selection.h"
#include "inspect/archive_listings.h"
#include "inspect/set_info.h"
#include "platform/folder_listing.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

struct FormatRow {
  std::string name;                  // the test's name
  std::string archive;               // the file made, under the test's folder
  std::vector<std::string> command;  // run in the test's folder; the tree is in "tree"
  std::string format;                // libarchive's name of it; "7z" for our own 7z library
  // Writes the archive into the test's folder instead of the command.
  void (*write)(const std::string& root) = nullptr;
  // What bsdtar must be told to read it as we do.
  std::vector<std::string> readOptions = {};
};

const StoredFiles kDosFiles = {{"a.txt", "alpha\n"}, {"docs\\b.txt", "beta\n"}};
// "テスト.txt" as Japanese DOS systems stored it (code page 932).
const StoredFiles kShiftJisFiles = {{"\x83\x65\x83\x58\x83\x67.txt", "tesuto\n"}};

// Holes of a megabyte between its bytes.
void WriteSparseFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(pwrite(fd, "middle", 6, 1 << 20), 6);
  EXPECT_EQ(pwrite(fd, "end", 3, 3 << 20), 3);
  close(fd);
}

// Names beyond ASCII, written under a UTF-8 locale whatever the test runs under.
void WriteNonAsciiArchive(const std::string& root, std::vector<std::string> command) {
  WriteFileText(root + "/tree/тест.txt", "test\n");
  WriteFileText(root + "/tree/café.txt", "cafe\n");
  command.insert(command.begin(), {"env", "LC_ALL=C.UTF-8"});
  ASSERT_EQ(RunTool(command, root), 0);
}

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
    // As pigz and cat a.gz b.gz write it: members split inside a tar header.
    {"TarGzMembers",
     "x.tar.gz",
     {"sh", "-c",
      "bsdtar -cf t -C tree . && (head -c 700 t | gzip; tail -c +701 t | gzip) >x.tar.gz"},
     "POSIX ustar format"},
    {"CpioGz", "x.cpio.gz", Bsdtar("x.cpio.gz", {"-z", "--format", "newc"}), "ASCII cpio"},
    {"TarBz2", "x.tar.bz2", Bsdtar("x.tar.bz2", {"-j"}), "POSIX ustar format"},
    {"TarXz", "x.tar.xz", Bsdtar("x.tar.xz", {"-J"}), "POSIX ustar format"},
    {"TarXzBlocks",
     "x.tar.xz",
     {"sh", "-c", "bsdtar -cf - -C tree . | xz -T2 --block-size=16384 >x.tar.xz"},
     "POSIX ustar format"},
    {"TarZst", "x.tar.zst", Bsdtar("x.tar.zst", {"--zstd"}), "POSIX ustar format"},
    {"TarLz", "x.tar.lz", Bsdtar("x.tar.lz", {"--lzip"}), "POSIX ustar format"},
    {"TarLz4", "x.tar.lz4", Bsdtar("x.tar.lz4", {"--lz4"}), "POSIX ustar format"},
    {"PaxTar", "x.tar", Bsdtar("x.tar", {"--format", "pax"}), "POSIX pax interchange format"},
    {"Cpio", "x.cpio", Bsdtar("x.cpio", {"--format", "newc"}), "ASCII cpio (SVR4 with no CRC)"},
    // Named as users find them: the contents decide, whatever the name.
    {"TbzNamed", "x.tbz", Bsdtar("x.tbz", {"-j"}), "POSIX ustar format"},
    {"TarZNamedZ", "x.Z", Bsdtar("x.Z", {"-Z"}), "POSIX ustar format"},
    {"TarGzNumbered", "x.tar.gz.1", Bsdtar("x.tar.gz.1", {"-z"}), "POSIX ustar format"},
    {"IsoNamedAppImage", "x.AppImage", Bsdtar("x.AppImage", {"--format", "iso9660"}), "ISO9660"},
    {"CpioNamedBin", "x.bin", Bsdtar("x.bin", {"--format", "newc"}), "ASCII cpio"},
    // A tar's first member is a tar member, never an archive found after a prefix.
    {"TarOfAZip",
     "x.tar",
     {"sh", "-c", "cd tree && zip -qr ../inner.zip . && cd .. && bsdtar -cf x.tar inner.zip"},
     "POSIX ustar format"},
    {"TarOfARar",
     "x.tar",
     {},
     "POSIX ustar format",
     [](const std::string& root) {
       WriteRar(root + "/inner.rar", {{"r.txt", "rar"}});
       ASSERT_EQ(RunTool({"bsdtar", "-cf", "x.tar", "inner.rar"}, root), 0);
     }},
    {"Xar", "x.xar", Bsdtar("x.xar", {"--format", "xar"}), "xar"},
    {"Iso", "x.iso", Bsdtar("x.iso", {"--format", "iso9660"}), "ISO9660"},
    // 7z goes to our own library, which must extract what bsdtar does.
    {"Bsdtar7z", "x.7z", Bsdtar("x.7z", {"--format", "7zip"}), "7z"},
    {"SevenZipBcj2", "x.7z",
     SevenZip("x.7z", {"-m0=BCJ2", "-m1=LZMA:d25", "-m2=LZMA:d19", "-m3=LZMA:d19", "-mb0:1",
                       "-mb0s1:2", "-mb0s2:3"}),
     "7z"},
    {"SevenZipSplit", "x.7z.001", SevenZip("x.7z", {"-v40k"}), "7z"},
    {"SevenZipNonAsciiNames",
     "x.7z",
     {},
     "7z",
     [](const std::string& root) { WriteNonAsciiArchive(root, SevenZip("x.7z", {})); }},
    {"Deb", "x.deb", {"dpkg-deb", "--build", "--root-owner-group", "tree", "x.deb"}, "ar"},
    {"Lha",
     "x.lzh",
     {},
     "lha",
     [](const std::string& root) { WriteFileText(root + "/x.lzh", LhaArchive(kDosFiles)); }},
    {"LhaShiftJisNames",
     "x.lzh",
     {},
     "lha",
     [](const std::string& root) { WriteFileText(root + "/x.lzh", LhaArchive(kShiftJisFiles)); },
     {"--options", "lha:hdrcharset=CP932"}},
    {"LhaUtf16Names",
     "x.lzh",
     {},
     "lha",
     [](const std::string& root) {
       WriteFileText(root + "/x.lzh", LhaUtf16Archive({{"ユニ.txt", "uni\n"}}));
     }},
    {"IsoRockRidgeNonAsciiNames",
     "x.iso",
     {},
     "ISO9660",
     [](const std::string& root) {
       WriteNonAsciiArchive(root, Bsdtar("x.iso", {"--format", "iso9660"}));
     }},
    {"PaxSparse",
     "x.tar",
     {},
     "POSIX pax interchange format",
     [](const std::string& root) {
       WriteSparseFile(root + "/tree/sparse.bin");
       ASSERT_EQ(RunTool(Bsdtar("x.tar", {"--format", "pax"}), root), 0);
     }},
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

// The main window's path: probe, driver, backend; then bsdtar on the same archive,
// under a UTF-8 locale while the test runs under "C".
TEST_P(LibarchiveFormatTest, ExtractsWhatBsdtarExtracts) {
  const FormatRow& row = GetParam();
  std::setlocale(LC_ALL, "C");
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

  const bool sevenZip = row.format == "7z";
  EXPECT_EQ(Detect(archive), sevenZip ? "7z" : "libarchive");
  if (!sevenZip) {
    EXPECT_EQ(session.job.archiveFormat.substr(0, row.format.size()), row.format);
  }
  ExtractOne(archive);
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + archive));

  fs::create_directory(PathOf("reference"));
  std::vector<std::string> reference = {
      "env", "LC_ALL=C.UTF-8", "bsdtar", "-x",       "--no-same-permissions",
      "-f",  archive,          "-C",     "reference"};
  reference.insert(reference.end(), row.readOptions.begin(), row.readOptions.end());
  ASSERT_EQ(RunTool(reference, Root()), 0);
  EXPECT_EQ(DescribeTree(out_), DescribeTree(PathOf("reference")));
  EXPECT_FALSE(DescribeTree(out_).empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, LibarchiveFormatTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return info.param.name; });

using LibarchiveBackendTest = DestinationJobTest;

// The desktop program's command line: the destination is asked, without the
// per-archive box that only ZIP jobs have, then the archive extracted.
TEST_F(LibarchiveBackendTest, TheProgramsCommandLineExtracts) {
  WriteFileText(PathOf("tree/a.txt"), "alpha");
  ASSERT_EQ(RunTool(Bsdtar("x.tgz", {"-z"}), Root()), 0);
  dialogs.destinationAnswers = {{out_ + "/", false}};
  ParseCommandLine(session, std::nullopt, {PathOf("x.tgz")});
  EXPECT_FALSE(dialogs.destinationRequests.at(0).showPerArchiveCheck);
  EXPECT_EQ(ReadFileText(Out("a.txt")), "alpha");
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// Decoding on a thread of its own, xz on several, and files written behind the reading
// change nothing the user sees: the same files, entry lines, questions and messages as
// on the caller's thread alone, damage included. many.tar has more files than the
// writer queues, large ones copied while the next is (three in a folder of their own),
// a file already there and one stored twice in a row (both asked about); cutmany.tar
// ends inside the second copy.
TEST_F(LibarchiveBackendTest, OneAndFourThreadsExtractAlike) {
  WriteSampleTree(PathOf("tree"));
  for (int i = 0; i < 150; ++i) {
    WriteFileText(PathOf("many/d" + std::to_string(i % 3) + "/f" + std::to_string(i)),
                  std::string(i * 37, static_cast<char>('a' + i % 26)));
  }
  // Large enough to be copied from the archive file rather than read.
  std::string huge;
  for (int i = 0; huge.size() < (3 << 19); ++i) huge += std::to_string(i) + "\n";
  WriteFileText(PathOf("many/huge.bin"), huge);
  for (const char* name : {"one", "two", "three"}) {
    WriteFileText(PathOf("many/big/" + std::string(name)), name + huge);
  }
  ASSERT_EQ(
      RunTool({"sh", "-c",
               "bsdtar -cf t -C tree . && gzip -c t >x.tar.gz && bzip2 -c t >x.tar.bz2 && "
               "xz -T2 --block-size=16384 -c t >x.tar.xz && head -c -5 x.tar.gz >cut.tar.gz && "
               "head -c -900 x.tar.xz >cut.tar.xz && head -c -50 x.tar.bz2 >cut.tar.bz2 && "
               "echo first >last.txt && bsdtar -cf many.tar many last.txt && "
               "echo second >last.txt && bsdtar -rf many.tar last.txt && "
               "head -c $(python3 -c \"import tarfile; print(tarfile.open('many.tar')"
               ".getmembers()[-1].offset_data + 3)\") many.tar >cutmany.tar && "
               "head -c $(python3 -c \"import tarfile; print(tarfile.open('many.tar')"
               ".getmember('many/huge.bin').offset_data + 700000)\") many.tar >cuthuge.tar"},
              Root()),
      0);
  const struct {
    const char* name;
    size_t questions;
    const char* result;
  } kRows[] = {{"x.tar.gz", 0, "0"},   {"x.tar.bz2", 0, "0"},   {"x.tar.xz", 0, "0"},
               {"cut.tar.gz", 0, "1"}, {"cut.tar.xz", 0, "1"},  {"cut.tar.bz2", 0, "1"},
               {"many.tar", 2, "0"},   {"cutmany.tar", 2, "1"}, {"cuthuge.tar", 0, "1"}};
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> seen[2];
    for (int threads : {1, 4}) {
      fs::remove_all(out_);
      fs::create_directory(out_);
      if (row.questions > 0) WriteFileText(Out("many/d2/f5"), "old");
      dialogs.messages.clear();
      dialogs.fileExistsQuestions.clear();
      dialogs.fileExistsAnswers.assign(row.questions, "Yes");
      session.status.SetMessageLabel("");
      recorder.snapshots.clear();
      session.zip.threads = threads;
      const int32_t result = ExtractLibarchiveArchive(session, PathOf(row.name));
      std::vector<std::string>& all = seen[threads == 1 ? 0 : 1];
      all = DescribeTree(out_);
      for (const std::vector<std::string>& more :
           {recorder.MessageLines(), MessageTexts(), dialogs.fileExistsQuestions})
        all.insert(all.end(), more.begin(), more.end());
      all.push_back(std::to_string(result));
      if (row.name == std::string("many.tar")) {
        EXPECT_TRUE(ReadFileText(Out("many/huge.bin")) == huge);
        EXPECT_TRUE(ReadFileText(Out("many/big/three")) == "three" + huge);
      }
    }
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[0].back(), row.result);
    EXPECT_EQ(dialogs.fileExistsQuestions.size(), row.questions);
  }
}

struct SingleFileRow {
  std::string name;
  std::string archive;  // made from the file "data" by command, run in the test's folder
  std::string command;
  std::string data;
  std::string extracted;  // the file it gives
  int copies = 1;         // of data in it
  // A byte changed, counted from the end: a CRC error, and the old file stays.
  int changedFromEnd = 0;
};

// Made once: every test program's start builds this table.
const std::string& Numbers() {
  static const std::string text = [] {
    std::string lines;
    for (int i = 0; i < 20000; ++i) lines += std::to_string(i * 7919 % 10007) + "\n";
    return lines;
  }();
  return text;
}

// A disk image: zeros first, which libarchive alone takes for an empty tar.
const std::string kImage = std::string(1 << 20, '\0') + "end";

const std::vector<SingleFileRow> kSingleFiles = {
    {"Xz", "renamed.txt.xz", "xz -c data > renamed.txt.xz", Numbers(), "renamed.txt"},
    {"GzImage", "rootfs.ext4.gz", "gzip -c data > rootfs.ext4.gz", kImage, "rootfs.ext4"},
    {"XzImage", "btrfs.img.xz", "xz -c data > btrfs.img.xz", kImage, "btrfs.img"},
    {"GzMembersAndTrailingZeros", "x.txt.gz",
     "(gzip -c data; gzip -c data; head -c 700 /dev/zero) > x.txt.gz", Numbers(), "x.txt", 2},
    {"GzTrailingGarbage", "x.txt.gz", "(gzip -c data; echo garbage) > x.txt.gz", "g\n", "x.txt"},
    {"EmptyGz", "e.txt.gz", "gzip -c data > e.txt.gz", "", "e.txt"},
    {"EmptyXz", "e.txt.xz", "xz -c data > e.txt.xz", "", "e.txt"},
    {"EmptyLz4", "e.txt.lz4", "lz4 -q -c data > e.txt.lz4", "", "e.txt"},
    {"EmptyZst", "e.txt.zst", "zstd -q -c data > e.txt.zst", "", "e.txt"},
    {"Compress", "x.txt.Z", "bsdtar -c -Z --format raw -f x.txt.Z data", "zz\n", "x.txt"},
    {"Lzma", "x.txt.lzma", "xz --format=lzma -c data > x.txt.lzma", "lz\n", "x.txt"},
    {"TbzIsATar", "x.tbz", "bsdtar -c -j -f x.tbz data", "tar\n", "data"},
    {"TlzIsATar", "x.tlz", "bsdtar -c --lzip -f x.tlz data", "tar\n", "data"},
    {"GzCrc", "x.txt.gz", "gzip -c data > x.txt.gz", Numbers(), "x.txt", 1, 8},
    {"GzLength", "x.txt.gz", "gzip -c data > x.txt.gz", Numbers(), "x.txt", 1, 1},
    {"GzSecondMemberCrc", "x.txt.gz", "(gzip -c data; gzip -c data) > x.txt.gz", Numbers(), "x.txt",
     1, 8},
    {"XzData", "x.txt.xz", "xz -c data > x.txt.xz", Numbers(), "x.txt", 1, 100},
    {"XzBlocksData", "x.txt.xz", "xz -T2 --block-size=8192 -c data > x.txt.xz", Numbers(), "x.txt",
     1, 100},
    {"XzBlocksIndex", "x.txt.xz", "xz -T2 --block-size=8192 -c data > x.txt.xz", Numbers(), "x.txt",
     1, 20},
    {"XzStreams", "x.txt.xz", "(xz -c data; xz -T2 --block-size=8192 -c data) > x.txt.xz",
     Numbers(), "x.txt", 2},
    // Our decoder checks CRC-32, CRC-64 or nothing, liblzma's the rest and filter chains.
    {"XzChecksAndPadding", "x.txt.xz",
     "(xz -C none -c data; xz -C crc32 -T2 --block-size=8192 -c data; xz -C sha256 --x86 "
     "--lzma2 -T2 --block-size=8192 -c data; head -c 8 /dev/zero) > x.txt.xz",
     Numbers(), "x.txt", 3},
    {"XzCheck", "x.txt.xz", "xz -c data > x.txt.xz", Numbers(), "x.txt", 1, 28},
    {"XzSha256Data", "x.txt.xz",
     "xz -C sha256 --x86 --lzma2 -T2 --block-size=8192 -c data > x.txt.xz", Numbers(), "x.txt", 1,
     100},
    {"XzPaddingNotZero", "x.txt.xz", "(xz -c data; head -c 4 /dev/zero) > x.txt.xz", Numbers(),
     "x.txt", 1, 1},
    {"Bzip2Data", "x.txt.bz2", "bzip2 -c data > x.txt.bz2", Numbers(), "x.txt", 1, 100},
    {"Bzip2Check", "x.txt.bz2", "bzip2 -c data > x.txt.bz2", Numbers(), "x.txt", 1, 2},
    {"Bzip2Streams", "x.txt.bz2", "(bzip2 -c data; bzip2 -1 -c data; echo trailing) > x.txt.bz2",
     Numbers(), "x.txt", 2},
    {"ZstdChecksum", "x.txt.zst", "zstd -q --check -c data > x.txt.zst", Numbers(), "x.txt", 1, 1},
    {"Lz4ContentChecksum", "x.txt.lz4", "lz4 -q -c data > x.txt.lz4", Numbers(), "x.txt", 1, 1},
    // The archive ends before the compressed stream: its trailer is read all the same.
    {"TarGzTrailer", "x.tar.gz", "bsdtar -c -z -f x.tar.gz data", Numbers(), "", 1, 8},
};

class SingleFileTest : public DestinationJobTest,
                       public ::testing::WithParamInterface<SingleFileRow> {};

// gzip, xz and the others' own reading is the reference, bsdtar takes no single file.
// The backend itself: the probe's choice by contents is tested with the probe.
TEST_P(SingleFileTest, ExtractsTheDataOrNamesTheCrcError) {
  const SingleFileRow& row = GetParam();
  WriteFileText(PathOf("data"), row.data);
  ASSERT_EQ(RunTool({"sh", "-c", row.command}, Root()), 0);
  const std::string archive = PathOf(row.archive);
  if (row.changedFromEnd != 0) {
    std::string bytes = ReadFileText(archive);
    bytes[bytes.size() - row.changedFromEnd] ^= 0x10;
    WriteFileText(archive, bytes);
    if (!row.extracted.empty()) WriteFileText(Out(row.extracted), "old");
    SetSetting("libarchive options", "auto overwrite", "1");
  }
  const int32_t result = ExtractLibarchiveArchive(session, archive);
  if (row.changedFromEnd != 0) {
    EXPECT_EQ(result, 1);
    EXPECT_EQ(MessageTexts(), std::vector{CrcErrorText(archive)});
    if (!row.extracted.empty()) {
      EXPECT_EQ(TreeOf(out_), std::vector<std::string>{row.extracted});
      EXPECT_EQ(ReadFileText(Out(row.extracted)), "old");
    }
    return;
  }
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{row.extracted});
  std::string expected;
  for (int i = 0; i < row.copies; ++i) expected += row.data;
  EXPECT_EQ(ReadFileText(Out(row.extracted)), expected);
}

INSTANTIATE_TEST_SUITE_P(SingleFiles, SingleFileTest, ::testing::ValuesIn(kSingleFiles),
                         [](const auto& info) { return info.param.name; });

struct MessageRow {
  std::string name;
  std::string archive;
  void (*write)(const std::string& root);  // the archive, from the tree in "tree"
  std::vector<std::string> (*messages)(const std::string& archive);
  bool finished;
};

const std::vector<MessageRow> kMessages = {
    {"IsoCutShort", "x.iso",
     [](const std::string& root) {
       ASSERT_EQ(RunTool(Bsdtar("x.iso", {"--format", "iso9660"}), root), 0);
       // Its directory records stop short.
       WriteFileText(root + "/x.iso", ReadFileText(root + "/x.iso").substr(0, 50000));
     },
     [](const std::string& archive) { return std::vector{DamagedArchiveText(archive)}; }, false},
    {"LinksInALoop", "x.tar",
     [](const std::string& root) {
       fs::create_symlink("b", root + "/tree/a");
       fs::create_symlink("a", root + "/tree/b");
       ASSERT_EQ(RunTool({"bsdtar", "-c", "-f", "x.tar", "-C", "tree", "-s", "|^a.txt$|a/x|", "a",
                          "b", "a.txt"},
                         root),
                 0);
     },
     [](const std::string&) { return std::vector{LinkLoopText("a/x")}; }, false},
    {"Pipes", "x.tar",
     [](const std::string& root) {
       ASSERT_EQ(RunTool({"mkfifo", "tree/p1", "tree/p2"}, root), 0);
       ASSERT_EQ(RunTool({"bsdtar", "-c", "-f", "x.tar", "-C", "tree", "p1", "a.txt", "p2"}, root),
                 0);
     },
     [](const std::string&) { return std::vector{SpecialFilesText(2, "p1")}; }, true},
    {"OnePipe", "x.cpio",
     [](const std::string& root) {
       ASSERT_EQ(RunTool({"mkfifo", "tree/p1"}, root), 0);
       ASSERT_EQ(RunTool({"bsdtar", "-c", "--format", "newc", "-f", "x.cpio", "-C", "tree", "p1",
                          "a.txt"},
                         root),
                 0);
     },
     [](const std::string&) { return std::vector{SpecialFilesText(1, "p1")}; }, true},
};

class LibarchiveMessageTest : public DestinationJobTest,
                              public ::testing::WithParamInterface<MessageRow> {};

TEST_P(LibarchiveMessageTest, NamesTheRealCause) {
  const MessageRow& row = GetParam();
  WriteFileText(PathOf("tree/a.txt"), "alpha\n");
  row.write(Root());
  const std::string archive = PathOf(row.archive);
  ExtractOne(archive);
  EXPECT_EQ(MessageTexts(), row.messages(archive));
  EXPECT_EQ(session.status.archiveLabel, row.finished ? kFinished : kNotFinished);
}

INSTANTIATE_TEST_SUITE_P(Messages, LibarchiveMessageTest, ::testing::ValuesIn(kMessages),
                         [](const auto& info) { return info.param.name; });

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

// The contents window's rows in the archive's order, a folder by its name, with
// dates, sizes and paths; a pax sparse file by its whole size; Set Info counts a single
// file as one.
TEST_F(LibarchiveBackendTest, ListingAndSetInfo) {
  WriteSampleTree(PathOf("tree"));
  ASSERT_EQ(RunTool({"7z", "a", "-bd", "-v2k", "x.7z", "./tree/a.txt", "./tree/docs"}, Root()), 0);
  ASSERT_TRUE(fs::exists(PathOf("x.7z.003")));
  const std::string archive = PathOf("x.7z.001");
  // The product lists 7z through its own library; libarchive's listing reads it too.
  ASSERT_EQ(ListArchive(session, "libarchive", archive), ListingResult::Listed);
  std::vector<std::string> rows;
  for (const ContentsRow& row : session.contents.rows) {
    rows.push_back(row.text + "|" + row.storedName + "|" + row.subItems[1] + "|" + row.subItems[2] +
                   "|" + row.iconKey);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "docs|docs/|0||DOS", "deep|docs/deep/|0|docs/|DOS", "a.txt|a.txt|6||txt",
                      "b-again.txt|docs/b-again.txt|5|docs/|txt", "b.txt|docs/b.txt|5|docs/|txt",
                      "big.txt|docs/deep/big.txt|195592|docs/deep/|txt",
                      "to-a|docs/to-a|0|docs/|Others"}));
  struct stat a {};
  ASSERT_EQ(stat(PathOf("tree/a.txt").c_str(), &a), 0);
  EXPECT_EQ(session.contents.rows[2].subItems[0], FormatFileDate(a.st_mtim.tv_sec));
  EXPECT_EQ(session.contents.totals, "Total Files: 5  Total Uncompressed Size: 195608");
  EXPECT_TRUE(dialogs.messages.empty());

  fs::create_directories(PathOf("sparse"));
  WriteSparseFile(PathOf("sparse/s.bin"));
  ASSERT_EQ(
      RunTool({"bsdtar", "-c", "--format", "pax", "-f", "s.tar", "-C", "sparse", "s.bin"}, Root()),
      0);
  ASSERT_EQ(ListArchive(session, "libarchive", PathOf("s.tar")), ListingResult::Listed);
  ASSERT_EQ(session.contents.rows.size(), 1u);
  EXPECT_EQ(session.contents.rows[0].storedName + " " + session.contents.rows[0].subItems[1],
            "s.bin 3145731");

  ASSERT_EQ(RunTool({"gzip", "-k", "tree/a.txt"}, Root()), 0);
  EXPECT_EQ(SetSummaryText(ReadSetInfo(PathOf("tree/a.txt.gz"), ".gz", false, "a.txt.gz")),
            "This set appears to contain 1 file(s) totalling " +
                std::to_string(fs::file_size(PathOf("tree/a.txt.gz"))) + " bytes.");
}

}  // namespace
}  // namespace tessaly::testing
