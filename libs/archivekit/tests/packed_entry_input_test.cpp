#include "archivekit/packed_entry_input.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace parts_test {

constexpr int kTruncated = 101;
constexpr int kRefused = 102;
constexpr int kNoVolume = 103;
constexpr int kUnreadable = 104;

// One part of an entry as the reader double hands it out.
struct Entry {
  size_t volume = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  bool continues = false;
};

archivekit::PackedPart packed_part(const Entry& entry) {
  return {entry.volume, entry.offset, entry.size, entry.continues};
}

// Volumes on disk and the parts after the first; a part that is not there is a
// missing volume.
struct Reader {
  std::vector<std::unique_ptr<archivekit::VolumeFile>> volumes;
  std::vector<Entry> following;
  size_t handedOut = 0;

  int next_part(const Entry&, Entry& next) {
    if (handedOut == following.size()) return kNoVolume;
    next = following[handedOut++];
    return 0;
  }
  archivekit::VolumeFile* volume(size_t index) { return volumes[index].get(); }
};

using Input =
    archivekit::ReaderEntryInput<Reader, Entry,
                                 archivekit::ReadFailureCodes{kTruncated, kRefused, kUnreadable}>;

// Adds 1 to every byte; refuses data that holds a '!'.
class ShiftCipher : public archivekit::BlockDecryptor {
 public:
  size_t block_size() const override { return 4; }
  bool decrypt(uint8_t* data, size_t size) override {
    for (size_t i = 0; i < size; ++i) {
      if (data[i] == '!') return false;
      ++data[i];
    }
    return true;
  }
};

struct Case {
  const char* name;
  std::vector<std::string> volumes;
  std::vector<Entry> parts;  // the first is where the entry starts
  bool encrypted;
  std::string read;  // everything read, in pieces of 3 bytes
  int failure;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

class PackedEntryInputTest : public ::testing::TestWithParam<Case> {};

TEST_P(PackedEntryInputTest, JoinsTheParts) {
  const Case& c = GetParam();
  char name[] = "/tmp/packed-input-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const fs::path folder = name;
  Reader reader;
  for (size_t i = 0; i < c.volumes.size(); ++i) {
    const std::string path = (folder / std::to_string(i)).string();
    std::ofstream(path, std::ios::binary) << c.volumes[i];
    reader.volumes.push_back(archivekit::VolumeFile::open(path));
    ASSERT_NE(reader.volumes.back(), nullptr);
  }
  reader.following.assign(c.parts.begin() + 1, c.parts.end());
  Input input(reader, c.parts.front(), c.encrypted ? std::make_unique<ShiftCipher>() : nullptr);
  std::string read;
  uint8_t piece[3];
  while (size_t got = input.read(piece, sizeof piece)) read.append(piece, piece + got);
  EXPECT_EQ(read, c.read);
  EXPECT_EQ(input.failure(), c.failure);
  EXPECT_EQ(input.failed(), c.failure != 0);
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackedEntryInputTest,
    ::testing::Values(
        Case{"OnePart", {"..abcdef.."}, {{0, 2, 6, false}}, false, "abcdef", 0},
        Case{"ThreeVolumes",
             {"xxhello ", "worl", "d!yy"},
             {{0, 2, 6, true}, {1, 0, 4, true}, {2, 0, 2, false}},
             false,
             "hello world!",
             0},
        Case{"AVolumeCutShort", {"..abc"}, {{0, 2, 6, false}}, false, "abc", kTruncated},
        Case{"TheNextVolumeMissing", {"abc"}, {{0, 0, 3, true}}, false, "abc", kNoVolume},
        // The cipher's state runs across the volume boundary; a cut-off last block
        // is dropped.
        Case{"DecryptedAcrossVolumes",
             {"`abc", "defghij"},
             {{0, 1, 3, true}, {1, 0, 7, false}},
             true,
             "bcdefghi",
             0},
        Case{"DataTheCipherRefuses", {"ab!defgh"}, {{0, 0, 8, false}}, true, "", kRefused}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace parts_test
