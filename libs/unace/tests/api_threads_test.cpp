// Decoding ahead on worker threads changes nothing the caller sees: with 1 and with 4
// threads the same files, and the same callbacks with the same bytes in the same order,
// the same results and kept damaged files.
#include <algorithm>
#include <functional>
#include <string_view>

#include "api_test_support.h"

namespace unace::testing {
namespace {

using tessaly::testing::Occurrences;
using tessaly::testing::TreeWithContents;

std::string* gTrace = nullptr;
long gDataCalls = 0;
long gStopAtCall = 0;  // the data call that answers "stop"; 0 for none

int TraceData(unsigned char* bytes, int size) {
  const std::string_view piece(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
  *gTrace += "  data " + std::to_string(size) + " " +
             std::to_string(std::hash<std::string_view>{}(piece)) + "\n";
  return ++gDataCalls != gStopAtCall;
}

struct Case {
  const char* name;
  unsigned stride = 1;  // every entry extracted, or every stride-th skipped, the rest tested
  long stopAtCall = 0;  // the data callback stops there
  const char* password = nullptr;
  bool damaged = false;    // one stored entry in the middle has a byte of its data flipped
  bool encrypted = false;  // every entry's data, under "pw"
  size_t volumeData = 0;   // a volume set of this much data per volume
  // What the one-thread trace shows, to prove the case is what it says.
  const char* expected = "";
  size_t expectedCount = 0;
  bool cut = false;  // the archive ends inside a stored entry near its end
};

// Every callback, result and kept file of a walk over the archive, in order.
std::string TracedWalk(const std::string& archive, const Case& row, int threads,
                       const fs::path& out) {
  std::string trace;
  gTrace = &trace;
  gDataCalls = 0;
  gStopAtCall = row.stopAtCall;
  fs::create_directories(out);
  HANDLE handle = Open(archive, ACE_OM_EXTRACT);
  if (!handle) return "open failed";
  ACESetThreads(handle, threads);
  ACESetProcessDataProc(handle, TraceData);
  ACESetKeepBroken(handle, 1);
  if (row.password) ACESetPassword(handle, const_cast<char*>(row.password));
  std::string destination = out.string();
  ACEHeaderData header{};
  int read = 0;
  for (unsigned index = 0; (read = ACEReadHeader(handle, &header)) == ACE_SUCCESS; ++index) {
    const int operation = row.stride == 1                        ? ACE_EXTRACT
                          : index % row.stride == row.stride - 1 ? ACE_SKIP
                                                                 : ACE_TEST;
    const int code = ACEProcessFile(handle, operation, destination.data());
    trace += std::string(header.FileNameW) + " " + std::to_string(code) + " " +
             fs::path(ACEKeptName(handle)).filename().string() + "\n";
  }
  trace += "end " + std::to_string(read) + "\n";
  ACECloseArchive(handle);
  gTrace = nullptr;
  return trace;
}

class Threads : public ::testing::TestWithParam<Case> {};

TEST_P(Threads, ShowTheCallerWhatOneThreadShows) {
  const Case& row = GetParam();
  TempFolder temp;
  AceOptions options;
  options.password = row.encrypted ? "pw" : "";
  std::vector<AceTestEntry> entries{AceFolder("docs")};
  for (int i = 0; i < 24; ++i) {
    AceTestEntry entry;
    entry.name = (i % 3 == 0 ? "docs/" : "") + std::string("file") + std::to_string(i) + ".txt";
    entry.data = LogText(i, i % 7 == 3 ? 300 * 1024 + i : 100 + 1500 * i);
    entry.method = i % 5 == 4 ? AceMethod::Stored : AceMethod::BlockedLz77;
    entry.encrypted = row.encrypted;
    entries.push_back(entry);
  }
  if (row.damaged) entries[12].method = AceMethod::Stored;
  const AceTestEntry& cutEntry = entries[20];
  const std::string base = (temp.path() / "set").string();
  std::string archive = base + ".ace";
  if (row.volumeData == 0) {
    WriteAce(archive, entries, options);
  } else {
    archive = WriteAceVolumes(base, row.volumeData, entries, options)[0];
  }
  if (row.damaged) {
    std::string bytes = ReadFileText(archive);
    bytes[bytes.find(entries[12].data.substr(0, 200)) + 100] ^= 1;
    WriteFileText(archive, bytes);
  }
  if (row.cut) {
    const std::string bytes = ReadFileText(archive);
    WriteFileText(archive, bytes.substr(0, bytes.find(cutEntry.data.substr(0, 200)) + 100));
  }
  const std::string one = TracedWalk(archive, row, 1, temp.path() / "one");
  const std::string four = TracedWalk(archive, row, 4, temp.path() / "four");
  EXPECT_EQ(four, one);
  EXPECT_EQ(TreeWithContents(temp.path() / "four"), TreeWithContents(temp.path() / "one"));
  EXPECT_EQ(Occurrences(one, row.expected), row.expectedCount) << one;
}

const Case kCases[] = {
    {"AllExtracted", 1, 0, nullptr, false, false, 0, " 0 \n", 25},
    {"DamagedEntryInTheMiddle", 1, 0, nullptr, true, false, 0, " 9 file11.txt.damaged", 1},
    {"StoppedMidway", 1, 9, nullptr, false, false, 0, " 255 \n", 1},
    {"Encrypted", 1, 0, "pw", false, true, 0, " 0 \n", 25},
    {"WrongPassword", 1, 0, "wrong", false, true, 0, ".damaged", 24},
    {"EveryThirdSkipped", 3, 0, nullptr, false, false, 0, " 0 \n", 25},
    {"VolumeSet", 1, 0, nullptr, false, false, 900 * 1024, " 0 \n", 25},
    // Decoded ahead, the cut entry is bad data as on the caller's thread, not a read error.
    {"CutShort", 1, 0, nullptr, false, false, 0, "file19.txt 9 file19.txt.damaged", 1, true},
};

INSTANTIATE_TEST_SUITE_P(Ace, Threads, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unace::testing
