// Decoding on worker threads changes nothing the caller sees: with 1 and with 4 threads
// the same files, and the same callbacks with the same bytes in the same order, on
// solid and multi-folder archives, a damaged folder in the middle and a stop midway.
#include <functional>
#include <sstream>
#include <string_view>

#include "api_test_support.h"

namespace un7z::testing {
namespace {

std::string* gTrace = nullptr;
long gDataCalls = 0;
long gStopAtCall = 0;   // the data call that answers "stop"; 0 for none
int gWrongAnswers = 0;  // the password callback's answers before the right one

int RecordData(unsigned char* bytes, int size) {
  const std::string_view piece(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
  *gTrace += "  data " + std::to_string(size) + " " +
             std::to_string(std::hash<std::string_view>{}(piece)) + "\n";
  return ++gDataCalls != gStopAtCall;
}

int RecordPassword(char* password, int size) {
  *gTrace += "  password\n";
  return std::snprintf(password, static_cast<size_t>(size), gWrongAnswers-- > 0 ? "wrong" : "pw") >
         0;
}

struct Case {
  const char* name;
  const char* options;
  unsigned stride = 1;       // every entry extracted, or every stride-th tested
  bool damage = false;       // a byte in the middle of the packed data flipped
  long stopAtCall = 0;       // the data callback stops there
  bool closeAtStop = false;  // and the archive is closed at once
  int wrongAnswers = 0;      // the password asked for again after each
};

// Every callback and result of a walk over the archive, in order.
std::string TracedWalk(const Case& row, const fs::path& archive, int threads, const fs::path& out) {
  std::string trace;
  gTrace = &trace;
  gDataCalls = 0;
  gStopAtCall = row.stopAtCall;
  gWrongAnswers = row.wrongAnswers;
  fs::create_directories(out);
  Un7zOpenArchiveData data{archive.c_str(), UN7Z_OM_EXTRACT, 0, RecordPassword};
  HANDLE handle = Un7zOpenArchive(&data);
  if (!handle) return "open " + std::to_string(data.OpenResult);
  Un7zSetThreads(handle, threads);
  Un7zSetProcessDataProc(handle, RecordData);
  Un7zHeaderData header{};
  for (unsigned index = 0; Un7zReadHeader(handle, &header) == UN7Z_SUCCESS; ++index) {
    const int operation = row.stride == 1           ? UN7Z_EXTRACT
                          : index % row.stride == 0 ? UN7Z_TEST
                                                    : UN7Z_SKIP;
    const int code = Un7zProcessFile(handle, operation, const_cast<char*>(out.c_str()));
    trace += std::string(header.FileName) + " " + std::to_string(code) + "\n";
    if (code == UN7Z_STOPPED && row.closeAtStop) break;
  }
  Un7zCloseArchive(handle);
  gTrace = nullptr;
  return trace;
}

// Entries whose result is not success, as "name code".
std::vector<std::string> Failures(const std::string& trace) {
  std::vector<std::string> failures;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(" ") && !line.ends_with(" 0")) failures.push_back(line);
  }
  return failures;
}

class Threads : public ::testing::TestWithParam<Case> {};

TEST_P(Threads, ShowTheCallerWhatOneThreadShows) {
  const Case& row = GetParam();
  TempFolder temp;
  // Folders of several pieces beside the small entries.
  std::mt19937 random(11);
  for (const char* name : {"more/one.txt", "more/two.log", "more/three.txt"}) {
    std::string text;
    while (text.size() < 400 * 1024) text += std::to_string(random()) + " said the log\n";
    fs::create_directories(temp.path() / "source/more");
    WriteFileText(temp.path() / "source" / name, text);
  }
  ASSERT_EQ(PackSourceTree(temp.path(), std::string("-mx1 ") + row.options), 0);
  const fs::path archive = temp.path() / "a.7z";
  if (row.damage) {
    std::string bytes = ReadFileText(archive);
    bytes[bytes.size() / 2] ^= 0x55;
    WriteFileText(archive, bytes);
  }

  const std::string one = TracedWalk(row, archive, 1, temp.path() / "one");
  const std::string four = TracedWalk(row, archive, 4, temp.path() / "four");
  EXPECT_EQ(four, one);
  ExpectSameTree(temp.path() / "one", temp.path() / "four");
  const std::vector<std::string> failures = Failures(one);
  if (row.wrongAnswers != 0) {
    // Each folder decoded ahead with a wrong answer is decoded again with the next one.
    ASSERT_EQ(failures.size(), static_cast<size_t>(row.wrongAnswers)) << one;
    for (const std::string& failure : failures) EXPECT_TRUE(failure.ends_with(" 24")) << one;
  } else if (row.damage) {
    // The damaged folder's entry alone, neither the first nor the last with data.
    ASSERT_EQ(failures.size(), 1u) << one;
    EXPECT_TRUE(failures[0].ends_with(" 12")) << one;
    EXPECT_FALSE(failures[0].starts_with("bin/program")) << one;
  } else if (row.stopAtCall != 0) {
    ASSERT_EQ(failures.size(), 1u) << one;
    const std::string stopped = failures[0].substr(0, failures[0].rfind(' '));
    EXPECT_TRUE(failures[0].ends_with(" 26")) << one;
    // Nothing of the stopped entry is left, nor of a staged file.
    EXPECT_FALSE(fs::exists(temp.path() / "four" / stopped)) << stopped;
  } else {
    EXPECT_TRUE(failures.empty()) << one;
    if (row.stride == 1) ExpectSameTree(temp.path() / "source", temp.path() / "four");
  }
}

const Case kCases[] = {
    {"Solid", ""},
    {"FolderPerFile", "-ms=off"},
    {"FolderPerExtension", "-ms=e"},
    {"SolidBlocksOfAMegabyte", "-ms=1m"},
    {"SolidBlocksOfThreeFilesBcj2", "-ms=3f -mf=BCJ2"},
    {"EncryptedFolders", "-ms=off -ppw"},
    {"WrongPasswordsFirst", "-ms=off -ppw", 1, false, 0, false, 2},
    {"EveryOtherTested", "-ms=off", 2},
    {"EveryThirdTestedSolid", "-ms=1m", 3},
    {"DamagedMiddleFolder", "-ms=off", 1, true},
    {"StoppedInSolidFolder", "", 1, false, 4},
    {"StoppedInFolderPerFile", "-ms=off", 1, false, 4},
    {"ClosedAtStop", "-ms=off", 1, false, 4, true},
};

INSTANTIATE_TEST_SUITE_P(SevenZip, Threads, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace un7z::testing
