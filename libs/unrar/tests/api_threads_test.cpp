// Decoding ahead on worker threads changes nothing the caller sees: with 1 and with 4
// threads the same files, and the same callbacks with the same bytes in the same order,
// the same results and kept damaged files, whatever the archive.
#include <algorithm>
#include <functional>
#include <random>
#include <string_view>

#include "api_support.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

using tessaly::testing::Occurrences;
using tessaly::testing::RarFormat;
using tessaly::testing::RarOptions;
using tessaly::testing::RarTestEntry;
using tessaly::testing::RarVolumeNaming;
using tessaly::testing::TreeWithContents;

std::string* gTrace = nullptr;
long gDataCalls = 0;
long gStopAtCall = 0;  // the data call that answers "stop"; 0 for none

int RecordData(unsigned char* bytes, int size) {
  if (!bytes) {
    *gTrace += "  volume\n";
    return 1;
  }
  const std::string_view piece(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
  *gTrace += "  data " + std::to_string(size) + " " +
             std::to_string(std::hash<std::string_view>{}(piece)) + "\n";
  return ++gDataCalls != gStopAtCall;
}

struct Walk {
  unsigned stride = 1;     // every entry extracted, or every stride-th skipped, the rest tested
  long stopAtCall = 0;     // the data callback stops there
  std::string password{};  // set before each entry
};

// Every callback, result and kept file of a walk over the archive, in order.
std::string TracedWalk(const std::string& archive, const Walk& walk, int threads,
                       const fs::path& out) {
  std::string trace;
  gTrace = &trace;
  gDataCalls = 0;
  gStopAtCall = walk.stopAtCall;
  fs::create_directories(out);
  RAROpenArchiveData open{};
  open.ArcName = archive.c_str();
  open.OpenMode = RAR_OM_EXTRACT;
  HANDLE handle = RAROpenArchive(&open);
  if (!handle) return "open " + std::to_string(open.OpenResult);
  RARSetThreads(handle, threads);
  RARSetProcessDataProc(handle, RecordData);
  RARSetKeepBroken(handle, 1);
  std::string password = walk.password;
  std::string destination = out.string();
  RARHeaderData header{};
  int read = 0;
  for (unsigned index = 0; (read = RARReadHeader(handle, &header)) == ERAR_SUCCESS; ++index) {
    if (!password.empty()) RARSetPassword(handle, password.data());
    const int operation = walk.stride == 1                         ? RAR_EXTRACT
                          : index % walk.stride == walk.stride - 1 ? RAR_SKIP
                                                                   : RAR_TEST;
    const int code = RARProcessFile(handle, operation, destination.data(), nullptr);
    trace += std::string(header.FileNameW) + " " + std::to_string(code) + " " +
             fs::path(RARKeptName(handle)).filename().string() + "\n";
  }
  trace += "end " + std::to_string(read) + "\n";
  RARCloseArchive(handle);
  gTrace = nullptr;
  return trace;
}

// The same walk with one thread and with four; the trace of the one.
std::string ExpectSameWithFourThreads(const std::string& archive, const Walk& walk,
                                      const fs::path& temp) {
  const std::string one = TracedWalk(archive, walk, 1, temp / "one");
  const std::string four = TracedWalk(archive, walk, 4, temp / "four");
  EXPECT_EQ(four, one) << archive;
  EXPECT_EQ(TreeWithContents(temp / "four"), TreeWithContents(temp / "one")) << archive;
  return one;
}

struct Case {
  const char* name;
  RarFormat format;
  Walk walk{};
  bool damaged = false;    // one entry in the middle fails its CRC
  bool encrypted = false;  // every entry's data, under "pw"
  size_t volumeData = 0;   // a volume set of this much data per volume
  // What the one-thread trace shows, to prove the case is what it says.
  const char* expected = "";
  size_t expectedCount = 0;
};

// Entries of a few bytes to several pieces of the data callback, some in folders.
std::vector<RarTestEntry> Entries(const Case& row) {
  std::mt19937 random(7);
  std::vector<RarTestEntry> entries{tessaly::testing::RarFolder("docs")};
  for (int i = 0; i < 24; ++i) {
    RarTestEntry entry;
    entry.name = (i % 3 == 0 ? "docs/" : "") + std::string("file") + std::to_string(i) + ".txt";
    const size_t size = i % 7 == 3 ? 600 * 1024 + i : (random() % 40000);
    while (entry.data.size() < size) entry.data += std::to_string(random()) + " log line\n";
    entry.wrongCrc = row.damaged && i == 11;
    entry.encrypted = row.encrypted;
    entries.push_back(entry);
  }
  return entries;
}

class Threads : public ::testing::TestWithParam<Case> {};

TEST_P(Threads, ShowTheCallerWhatOneThreadShows) {
  const Case& row = GetParam();
  TempDir temp;
  RarOptions options;
  options.format = row.format;
  options.password = row.encrypted ? "pw" : "";
  const std::string base = (temp.path() / "set").string();
  const std::string archive =
      row.volumeData == 0
          ? (tessaly::testing::WriteRar(base + ".rar", Entries(row), options), base + ".rar")
          : tessaly::testing::WriteRarVolumes(base, RarVolumeNaming::PartN, row.volumeData,
                                              Entries(row), options)[0];
  const std::string one = ExpectSameWithFourThreads(archive, row.walk, temp.path());
  EXPECT_EQ(Occurrences(one, row.expected), row.expectedCount) << one;
}

const Case kCases[] = {
    {"Rar4", RarFormat::Rar4, {}, false, false, 0, " 0 \n", 25},
    {"Rar5", RarFormat::Rar5, {}, false, false, 0, " 0 \n", 25},
    {"DamagedEntryInTheMiddle", RarFormat::Rar5, {}, true, false, 0, " 12 file11.txt.damaged", 1},
    {"StoppedMidway", RarFormat::Rar4, {1, 9}, false, false, 0, " 21 \n", 1},
    {"Encrypted", RarFormat::Rar5, {1, 0, "pw"}, false, true, 0, " 0 \n", 25},
    {"EncryptedRar4", RarFormat::Rar4, {1, 0, "pw"}, false, true, 0, " 0 \n", 25},
    {"WrongPassword", RarFormat::Rar5, {1, 0, "wrong"}, false, true, 0, " 12 \n", 24},
    {"WrongPasswordRar4", RarFormat::Rar4, {1, 0, "wrong"}, false, true, 0, " 12 ", 24},
    {"EveryThirdSkipped", RarFormat::Rar5, {3}, false, false, 0, " 0 \n", 25},
    {"VolumeSet", RarFormat::Rar5, {}, false, false, 900 * 1024, "volume", 2},
    {"VolumeSetEveryThirdSkipped", RarFormat::Rar4, {3}, false, false, 700 * 1024, "volume", 3},
};

INSTANTIATE_TEST_SUITE_P(Rar, Threads, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The real archives, compressed by every version, some damaged: each first volume
// extracted in full, and tested but every other entry.
TEST(ThreadsOnCorpus, ShowTheCallerWhatOneThreadShows) {
  for (const auto& item : fs::directory_iterator(kCorpusFolder)) {
    const std::string name = item.path().filename().string();
    const bool laterVolume =
        item.path().extension() != ".rar" ||
        (name.find(".part") != std::string::npos && name.find(".part1.") == std::string::npos &&
         name.find(".part01.") == std::string::npos);
    const fs::path extension = item.path().extension();
    if (laterVolume && extension != ".sfx" && extension != ".exe") continue;
    for (const unsigned stride : {1u, 2u}) {
      TempDir temp;
      ExpectSameWithFourThreads(item.path().string(), {stride}, temp.path());
    }
  }
}

}  // namespace
}  // namespace unrar_test
