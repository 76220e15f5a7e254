// Extracting and testing entries of archives the test writer makes: what lands on
// disk, what is replaced, and the codes for what goes wrong.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "api_test_support.h"
#include "entry_sink.h"
#include "support/ace_writer.h"

namespace unace::testing {
namespace {

using tessaly::testing::AceEntrySpec;
using tessaly::testing::AceFolder;
using tessaly::testing::AceMethod;
using tessaly::testing::AceOptions;
using tessaly::testing::WriteAce;

std::string Text(size_t size, unsigned seed) {
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    text += "abcdefgh ijk\n"[(seed >> 16) % 13];
  }
  return text;
}

std::vector<int> Codes(const WalkResult& walk) {
  std::vector<int> codes;
  for (const auto& entry : walk.entries) codes.push_back(entry.code);
  return codes;
}

TEST(AceExtract, FoldersFilesAndEmptyFilesLandBelowTheDestination) {
  TempFolder temp;
  const std::string big = Text(200000, 7);
  WriteAce(temp / "a.ace", {AceFolder("docs"),
                            AceFolder("docs/empty"),
                            {"docs/readme.txt", "read me\n", false, AceMethod::Lz77},
                            {"docs/zero.bin", "", false, AceMethod::Stored},
                            {"big.txt", big, false, AceMethod::BlockedLz77},
                            {"stored.bin", "stored bytes", false, AceMethod::Stored}});
  const std::string out = temp / "out";
  fs::create_directory(out);
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out + "/");
  EXPECT_EQ(Codes(walk), std::vector<int>(6, ACE_SUCCESS));
  EXPECT_EQ(walk.endCode, ACE_END_ARCHIVE);
  EXPECT_EQ(Tree(out),
            (std::vector<std::string>{"big.txt", "docs/", "docs/empty/", "docs/readme.txt",
                                      "docs/zero.bin", "stored.bin"}));
  EXPECT_EQ(ReadAll(out + "/docs/readme.txt"), "read me\n");
  EXPECT_EQ(ReadAll(out + "/big.txt"), big);
  EXPECT_EQ(ReadAll(out + "/stored.bin"), "stored bytes");
  EXPECT_EQ(fs::file_size(out + "/docs/zero.bin"), 0u);
}

TEST(AceExtract, TestModeChecksWithoutWriting) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {AceFolder("f"), {"f/x.txt", Text(5000, 1), false, AceMethod::Lz77}});
  const std::string out = temp / "out";
  fs::create_directory(out);
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_TEST, out);
  EXPECT_EQ(Codes(walk), (std::vector<int>{ACE_SUCCESS, ACE_SUCCESS}));
  EXPECT_TRUE(Tree(out).empty());
}

TEST(AceExtract, TimeAndReadOnlyAttributeAreApplied) {
  TempFolder temp;
  AceEntrySpec locked{"locked.txt", "keep", false, AceMethod::Stored};
  locked.attributes = 0x21;
  WriteAce(temp / "a.ace", {locked, {"free.txt", "free", false, AceMethod::Stored}});
  const std::string out = temp / "out";
  fs::create_directory(out);
  Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
  struct stat lockedInfo {};
  struct stat freeInfo {};
  ASSERT_EQ(stat((out + "/locked.txt").c_str(), &lockedInfo), 0);
  ASSERT_EQ(stat((out + "/free.txt").c_str(), &freeInfo), 0);
  EXPECT_EQ(lockedInfo.st_mode & 0222, 0u);
  EXPECT_NE(freeInfo.st_mode & 0200, 0u);

  // The stored DOS time comes back as the modification time (local time).
  HANDLE handle = Open(temp / "a.ace", ACE_OM_LIST);
  ACEHeaderData header{};
  ASSERT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS);
  ACECloseArchive(handle);
  std::tm parts{};
  parts.tm_year = static_cast<int>(header.FileTime >> 25) + 80;
  parts.tm_mon = static_cast<int>((header.FileTime >> 21) & 15) - 1;
  parts.tm_mday = static_cast<int>((header.FileTime >> 16) & 31);
  parts.tm_hour = static_cast<int>((header.FileTime >> 11) & 31);
  parts.tm_min = static_cast<int>((header.FileTime >> 5) & 63);
  parts.tm_sec = static_cast<int>(header.FileTime & 31) * 2;
  parts.tm_isdst = -1;
  EXPECT_EQ(lockedInfo.st_mtime, std::mktime(&parts));
}

TEST(AceExtract, AnExistingFileIsReplacedEvenWhenReadOnly) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"same.txt", "new content", false, AceMethod::Lz77}});
  const std::string out = temp / "out";
  fs::create_directory(out);
  WriteAll(out + "/same.txt", "old content that is longer");
  chmod((out + "/same.txt").c_str(), 0444);
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
  EXPECT_EQ(Codes(walk), std::vector<int>{ACE_SUCCESS});
  EXPECT_EQ(ReadAll(out + "/same.txt"), "new content");
}

TEST(AceExtract, TraversalNamesStayInsideTheDestination) {
  TempFolder temp;
  WriteAce(temp / "evil.ace", {{"../escaped.txt", "up", false, AceMethod::Stored},
                               {"/abs/rooted.txt", "root", false, AceMethod::Stored},
                               {"C:/drive.txt", "drive", false, AceMethod::Stored},
                               {"a/../../b/deep.txt", "deep", false, AceMethod::Stored}});
  const std::string out = temp / "dest/out";
  fs::create_directories(out);
  const WalkResult walk = Walk(temp / "evil.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
  EXPECT_EQ(Codes(walk), std::vector<int>(4, ACE_SUCCESS));
  EXPECT_EQ(Tree(temp.path() / "dest"),
            (std::vector<std::string>{"out/", "out/a/", "out/a/b/", "out/a/b/deep.txt", "out/abs/",
                                      "out/abs/rooted.txt", "out/drive.txt", "out/escaped.txt"}));
}

TEST(AceExtract, NothingIsWrittenThroughALinkThatLeavesTheDestination) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"sub/x.txt", "x", false, AceMethod::Stored},
                            {"inside.txt", "in", false, AceMethod::Stored}});
  const std::string out = temp / "out";
  fs::create_directories(temp / "outside");
  fs::create_directory(out);
  fs::create_directory_symlink("../outside", out + "/sub");
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
  EXPECT_EQ(Codes(walk), (std::vector<int>{ACE_WRITE_PROTECTED, ACE_SUCCESS}));
  EXPECT_TRUE(fs::is_empty(temp / "outside"));
  EXPECT_EQ(ReadAll(out + "/inside.txt"), "in");
}

TEST(AceExtract, DamagedDataLeavesNothingUnderTheEntrysName) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"good.txt", "fine", false, AceMethod::Stored},
                            {"bad.txt", "this will be damaged", false, AceMethod::Stored}});
  std::string bytes = ReadAll(temp / "a.ace");
  bytes[bytes.rfind("damaged")] ^= 0x20;
  WriteAll(temp / "a.ace", bytes);
  const std::string out = temp / "out";
  fs::create_directory(out);
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
  EXPECT_EQ(Codes(walk), (std::vector<int>{ACE_SUCCESS, ACE_BAD_DATA}));
  EXPECT_EQ(Tree(out), std::vector<std::string>{"good.txt"});
}

TEST(AceExtract, AFileInThePlaceOfAFolderIsAWriteError) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"sub/x.txt", "x", false, AceMethod::Stored}});
  const std::string out = temp / "out";
  fs::create_directory(out);
  WriteAll(out + "/sub", "a file, not a folder");
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out);
  EXPECT_EQ(Codes(walk), std::vector<int>{ACE_WRITE_PROTECTED});
}

TEST(AceExtract, PasswordRightWrongOrMissing) {
  TempFolder temp;
  AceOptions options;
  options.password = "open sesame";
  const std::string secret = Text(3000, 3);
  WriteAce(temp / "p.ace",
           {{"secret.txt", secret, false, AceMethod::Lz77, true},
            {"plain.txt", "plain", false, AceMethod::Stored, false}},
           options);
  const struct {
    const char* password;
    std::vector<int> codes;
  } cases[] = {{"open sesame", {ACE_SUCCESS, ACE_SUCCESS}},
               {"open sesamE", {ACE_BAD_DATA, ACE_SUCCESS}},
               {nullptr, {ACE_BAD_DATA, ACE_SUCCESS}},
               {"", {ACE_BAD_DATA, ACE_SUCCESS}}};
  for (const auto& row : cases) {
    const std::string out = temp / "out";
    fs::remove_all(out);
    fs::create_directory(out);
    const WalkResult walk = Walk(temp / "p.ace", ACE_OM_EXTRACT, ACE_EXTRACT, out, row.password);
    const std::string label = row.password ? row.password : "(none)";
    EXPECT_EQ(Codes(walk), row.codes) << label;
    if (row.codes[0] == ACE_SUCCESS) {
      EXPECT_EQ(ReadAll(out + "/secret.txt"), secret);
    } else {
      EXPECT_FALSE(fs::exists(out + "/secret.txt")) << label;
    }
  }
}

TEST(AceExtract, SkippedSolidEntriesAreStillDecodedForTheOnesAfterThem) {
  TempFolder temp;
  AceOptions options;
  options.solid = true;
  const std::string first = Text(40000, 11);
  const std::string second = first.substr(100, 20000) + Text(1000, 12);
  WriteAce(temp / "s.ace",
           {{"first.txt", first, false, AceMethod::Lz77},
            {"mid.bin", "stored in between", false, AceMethod::Stored},
            {"second.txt", second, false, AceMethod::BlockedLz77}},
           options);
  const std::string out = temp / "out";
  fs::create_directory(out);
  HANDLE handle = Open(temp / "s.ace", ACE_OM_EXTRACT);
  ASSERT_NE(handle, nullptr);
  ACEHeaderData header{};
  ASSERT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS);
  EXPECT_EQ(ACEProcessFile(handle, ACE_SKIP, nullptr), ACE_SUCCESS);
  // Not processed at all: the next read skips it.
  ASSERT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS);
  ASSERT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS);
  EXPECT_EQ(ACEProcessFile(handle, ACE_EXTRACT, const_cast<char*>(out.c_str())), ACE_SUCCESS);
  ACECloseArchive(handle);
  EXPECT_EQ(ReadAll(out + "/second.txt"), second);
}

TEST(AceExtract, AnUnknownCompressionTypeIsUnsupported) {
  TempFolder temp;
  WriteAce(temp / "a.ace", {{"odd.bin", "odd", false, AceMethod::Stored},
                            {"next.txt", "next", false, AceMethod::Stored}});
  // The type byte sits at body offset 23.
  const std::string bytes = PatchFirstFileHeader(ReadAll(temp / "a.ace"), 23, "\x07");
  WriteAll(temp / "a.ace", bytes);
  const WalkResult walk = Walk(temp / "a.ace", ACE_OM_EXTRACT, ACE_TEST);
  EXPECT_EQ(Codes(walk), (std::vector<int>{ACE_UNSUPPORTED, ACE_SUCCESS}));
}

TEST(AceExtract, WriteErrorsMapToDiskFullOrWriteProtected) {
  EXPECT_EQ(write_error_code(ENOSPC), ACE_DISK_FULL);
  EXPECT_EQ(write_error_code(EDQUOT), ACE_DISK_FULL);
  EXPECT_EQ(write_error_code(EACCES), ACE_WRITE_PROTECTED);
  EXPECT_EQ(write_error_code(EROFS), ACE_WRITE_PROTECTED);
}

}  // namespace
}  // namespace unace::testing
