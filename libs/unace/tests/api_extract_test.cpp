// Extracting and testing entries of archives the test writer makes: what lands on
// disk, what happens when the destination changes between two entries, and the codes
// for what goes wrong (what stands in an entry's place is the staged file's test).
#include <gtest/gtest.h>

#include <functional>

#include "api_test_support.h"

namespace unace::testing {
namespace {

class AceExtract : public ApiTest {};

// An entry that cannot be decoded (damaged data, a wrong or missing password, an
// unknown compression type) leaves nothing under its name, and the next one is read.
// The right password is the encrypted volume set's test and the corpus's.
TEST_F(AceExtract, AnEntryThatFailsLeavesNothingAndTheNextOneIsRead) {
  AceOptions locked;
  locked.password = "open sesame";
  WriteAce(temp / "p.ace",
           {{"first.txt", LogText(3, 3000), false, AceMethod::Lz77, true},
            {"next.txt", "next", false, AceMethod::Stored}},
           locked);
  WriteAce(temp / "a.ace", {{"first.txt", "this will be damaged", false, AceMethod::Stored},
                            {"next.txt", "next", false, AceMethod::Stored}});
  std::string damaged = ReadFileText(temp / "a.ace");
  // The type byte sits at body offset 23.
  WriteFileText(temp / "t.ace", PatchFirstFileHeader(damaged, 23, "\x07"));
  damaged[damaged.rfind("damaged")] ^= 0x20;
  WriteFileText(temp / "d.ace", damaged);
  const struct {
    const char* archive;
    const char* password;
    int code;
  } rows[] = {{"d.ace", nullptr, ACE_BAD_DATA},
              {"t.ace", nullptr, ACE_UNSUPPORTED},
              {"p.ace", "open sesamE", ACE_BAD_DATA},
              {"p.ace", "", ACE_BAD_DATA},
              {"p.ace", nullptr, ACE_BAD_DATA}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.archive) + " " + (row.password ? row.password : "(none)"));
    fs::remove_all(out);
    fs::create_directory(out);
    const WalkResult walk =
        Walk(temp / row.archive, ACE_OM_EXTRACT, ACE_EXTRACT, out, row.password);
    EXPECT_EQ(Codes(walk), (std::vector<int>{row.code, ACE_SUCCESS}));
    EXPECT_EQ(TreeOf(out), std::vector<std::string>{"next.txt"});
  }
}

TEST_F(AceExtract, SkippedSolidEntriesAreStillDecodedForTheOnesAfterThem) {
  AceOptions options;
  options.solid = true;
  const std::string first = LogText(11, 40000);
  // Copies from both skipped entries, the stored one included.
  const std::string second = first.substr(100, 20000) + "stored in between" + LogText(12, 1000);
  WriteAce(temp / "s.ace",
           {{"first.txt", first, false, AceMethod::Lz77},
            {"mid.bin", "stored in between", false, AceMethod::Stored},
            {"second.txt", second, false, AceMethod::BlockedLz77}},
           options);
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
  EXPECT_EQ(ReadFileText(out + "/second.txt"), second);
}

// What the data callback was handed; it has no user data of its own.
struct DataSeen {
  uint64_t bytes = 0;
  int calls = 0;
  int largest = 0;
  int stopAt = 0;  // the call that answers 0; 0 for none
};
DataSeen seen;

int RecordData(unsigned char*, int size) {
  ++seen.calls;
  seen.bytes += static_cast<uint64_t>(size);
  seen.largest = std::max(seen.largest, size);
  return seen.calls == seen.stopAt ? 0 : 1;
}

// Pieces of at most 256 KiB whatever the decoder hands over at once; a stop leaves an
// old file as it was, and ends a solid skip as well.
TEST_F(AceExtract, TheDataCallbackHearsOfEveryPieceAndMayStopTheEntry) {
  const std::string big = LogText(5, 300000);
  WriteAce(temp / "a.ace", {{"lz.txt", big, false, AceMethod::Lz77},
                            {"stored.bin", big, false, AceMethod::Stored}});
  for (const int operation : {ACE_TEST, ACE_EXTRACT}) {
    HANDLE handle = Open(temp / "a.ace", ACE_OM_EXTRACT);
    ASSERT_NE(handle, nullptr);
    ACESetProcessDataProc(handle, RecordData);
    ACEHeaderData header{};
    while (ACEReadHeader(handle, &header) == ACE_SUCCESS) {
      SCOPED_TRACE(std::string(header.FileNameW) + (operation == ACE_TEST ? " tested" : ""));
      seen = {};
      EXPECT_EQ(ACEProcessFile(handle, operation, const_cast<char*>(out.c_str())), ACE_SUCCESS);
      EXPECT_EQ(seen.bytes, big.size());
      EXPECT_LE(seen.largest, 256 * 1024);
    }
    ACECloseArchive(handle);
  }

  WriteFileText(out + "/lz.txt", "old");
  fs::remove(out + "/stored.bin");
  HANDLE handle = Open(temp / "a.ace", ACE_OM_EXTRACT);
  ASSERT_NE(handle, nullptr);
  ACESetProcessDataProc(handle, RecordData);
  seen = {.stopAt = 1};
  ACEHeaderData header{};
  ASSERT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS);
  EXPECT_EQ(ACEProcessFile(handle, ACE_EXTRACT, const_cast<char*>(out.c_str())), ACE_STOPPED);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS) << "the next entry is still read";
  ACECloseArchive(handle);
  EXPECT_EQ(TreeOf(out), std::vector<std::string>{"lz.txt"});
  EXPECT_EQ(ReadFileText(out + "/lz.txt"), "old");

  AceOptions solid;
  solid.solid = true;
  WriteAce(temp / "s.ace", {{"first.txt", big, false, AceMethod::Stored}, {"second.txt", "s"}},
           solid);
  handle = Open(temp / "s.ace", ACE_OM_EXTRACT);
  ASSERT_NE(handle, nullptr);
  ACESetProcessDataProc(handle, RecordData);
  seen = {.stopAt = 1};
  ASSERT_EQ(ACEReadHeader(handle, &header), ACE_SUCCESS);
  EXPECT_EQ(ACEProcessFile(handle, ACE_SKIP, nullptr), ACE_STOPPED);
  ACECloseArchive(handle);
}

// Extracts every entry into out, calling between(index) before entry index is
// processed; the codes of ACEProcessFile.
std::vector<int> ExtractStepwise(const std::string& archive, const std::string& out,
                                 const std::function<void(size_t)>& between) {
  std::vector<int> codes;
  HANDLE handle = Open(archive, ACE_OM_EXTRACT);
  if (!handle) return codes;
  ACEHeaderData header{};
  while (ACEReadHeader(handle, &header) == ACE_SUCCESS) {
    between(codes.size());
    codes.push_back(ACEProcessFile(handle, ACE_EXTRACT, const_cast<char*>(out.c_str())));
  }
  ACECloseArchive(handle);
  return codes;
}

// A folder removed is made again; one replaced by a file or by a link that leaves the
// destination, before the first entry or between two, is a write error for the
// entries below it.
TEST_F(AceExtract, AFolderChangedBetweenEntries) {
  WriteAce(temp / "a.ace", {{"early/x.txt", "x", false, AceMethod::Stored},
                            {"gone/deep/one.txt", "one", false, AceMethod::Stored},
                            {"gone/deep/two.txt", "two", false, AceMethod::Lz77},
                            {"sub/one.txt", "one", false, AceMethod::Stored},
                            {"sub/two.txt", "two", false, AceMethod::Stored},
                            {"link/one.txt", "one", false, AceMethod::Stored},
                            {"link/two.txt", "two", false, AceMethod::Stored},
                            {"after.txt", "after", false, AceMethod::Stored}});
  fs::create_directories(temp / "outside");
  fs::create_directory_symlink("../outside", out + "/early");
  const auto codes = ExtractStepwise(temp / "a.ace", out, [&](size_t index) {
    if (index == 2) fs::remove_all(out + "/gone");
    if (index == 4) {
      fs::remove_all(out + "/sub");
      WriteFileText(out + "/sub", "a file now");
    }
    if (index == 6) {
      fs::remove_all(out + "/link");
      fs::create_directory_symlink("../outside", out + "/link");
    }
  });
  EXPECT_EQ(codes,
            (std::vector<int>{ACE_WRITE_PROTECTED, ACE_SUCCESS, ACE_SUCCESS, ACE_SUCCESS,
                              ACE_WRITE_PROTECTED, ACE_SUCCESS, ACE_WRITE_PROTECTED, ACE_SUCCESS}));
  EXPECT_EQ(TreeOf(out + "/gone"), (std::vector<std::string>{"deep/", "deep/two.txt"}));
  EXPECT_EQ(ReadFileText(out + "/gone/deep/two.txt"), "two");
  EXPECT_EQ(ReadFileText(out + "/sub"), "a file now");
  EXPECT_TRUE(fs::is_empty(temp / "outside"));
  EXPECT_EQ(ReadFileText(out + "/after.txt"), "after");
}

}  // namespace
}  // namespace unace::testing
