// Volume sets through the C API: entries split across volumes reported once and
// joined, sets whose names lead back to a volume already read, and stopping a long
// chain.
#include <gtest/gtest.h>

#include <cstdio>

#include "api_support.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

using tessaly::testing::RarTestEntry;
using tessaly::testing::RarVolumeNaming;
using tessaly::testing::WriteRarVolumes;

std::string pattern(size_t size, int seed) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>((i * 131 + seed * 7 + i / 253) & 0xFF);
  return data;
}

const std::vector<RarTestEntry> kEntries = {
    {"first.bin", pattern(3000, 1)},
    {"docs/split.bin", pattern(25000, 2)},
    {"last.txt", "the end\n"},
};

TEST(VolumeSet, ListsEachEntryOnceAndExtractsJoinedData) {
  TempDir dir;
  const std::vector<std::string> volumes =
      WriteRarVolumes(dir / "set", RarVolumeNaming::Numbered, 8000, kEntries);
  ASSERT_GE(volumes.size(), 3u);

  const RunResult listed = run_archive(volumes[0], RAR_SKIP, "", "", RAR_OM_LIST);
  EXPECT_EQ(listed.endResult, ERAR_END_ARCHIVE);
  ASSERT_EQ(listed.entries.size(), 3u);
  EXPECT_EQ(listed.entries[1].name, "docs/split.bin");
  EXPECT_EQ(listed.entries[1].flags, 0x8002u);
  EXPECT_EQ(listed.entries[1].unpSize, 25000u);
  EXPECT_EQ(listed.entries[1].volume, volumes[0]);
  // The entry after the split one is read from a later volume.
  EXPECT_NE(listed.entries[2].volume, volumes[0]);
  EXPECT_EQ(listed.entries[2].flags, 0x8000u);

  const std::string out = dir / "out";
  fs::create_directory(out);
  const RunResult extracted = run_archive(volumes[0], RAR_EXTRACT, out);
  EXPECT_TRUE(extracted.all_ok());
  for (const RarTestEntry& entry : kEntries) {
    EXPECT_EQ(ReadFileText(out + "/" + entry.name), entry.data) << entry.name;
  }

  // Opened at a later volume, the whole set is read from its first.
  const RunResult fromLater = run_archive(volumes[1], RAR_TEST);
  EXPECT_TRUE(fromLater.all_ok());
  ASSERT_EQ(fromLater.entries.size(), 3u);
  EXPECT_EQ(fromLater.entries[0].volume, volumes[0]);
}

// The last volume of a RAR5 set cut where its end block starts: every entry comes out
// whole, and then the cut is reported once, in the counting and the testing pass alike,
// as it is for a single archive.
TEST(VolumeSet, ARar5SetWhoseLastVolumeLosesItsEndBlockIsCut) {
  TempDir dir;
  const std::vector<std::string> names = {"rar5-vols.part1.rar", "rar5-vols.part2.rar",
                                          "rar5-vols.part3.rar"};
  for (const std::string& name : names) fs::copy_file(corpus(name), dir / name);
  const std::string last = ReadFileText(corpus(names.back()));
  constexpr size_t kEndBlock = 8;  // CRC, size 3, type 5, flags, end flags 0
  ASSERT_EQ(last.substr(last.size() - 4), std::string("\x03\x05\x04\x00", 4));
  WriteFileText(dir / names.back(), last.substr(0, last.size() - kEndBlock));

  const RunResult listed = run_archive(dir / names[0], RAR_SKIP, "", "", RAR_OM_LIST);
  const RunResult tested = run_archive(dir / names[0], RAR_TEST);
  for (const RunResult* run : {&listed, &tested}) {
    ASSERT_EQ(run->entries.size(), 2u);
    EXPECT_EQ(run->entries[1].name, "vols/smallfile.txt");
    EXPECT_EQ(run->entries[1].volume, dir / names.back());
    EXPECT_EQ(run->endResult, ERAR_BAD_ARCHIVE);
  }
  for (const EntryOutcome& entry : tested.entries) EXPECT_EQ(entry.result, 0) << entry.name;
}

// Every name of the old scheme's ring of extensions, from ".r00" on: after ".z99"
// come ".a00" ... ".q99", and then ".r00" again.
std::vector<std::string> ring_of_names(const std::string& base) {
  std::vector<std::string> names;
  for (int letter = 0; letter < 26; ++letter) {
    for (int number = 0; number < 100; ++number) {
      char extension[8];
      std::snprintf(extension, sizeof extension, ".%c%02d", 'a' + (letter + 17) % 26, number);
      names.push_back(base + extension);
    }
  }
  return names;
}

// One entry continued through every volume of an old-style set whose names go
// round the whole ring, every one of them the same continued volume: the set ends
// as one with a missing volume when a volume comes round again, instead of being
// read round forever.
TEST(LoopingSets, AVolumeThatComesRoundAgainIsAMissingVolume) {
  TempDir dir;
  const std::vector<std::string> volumes = WriteRarVolumes(dir / "set", RarVolumeNaming::OldStyle,
                                                           200, {{"long.bin", pattern(1200, 3)}});
  ASSERT_GE(volumes.size(), 3u);
  for (size_t i = 2; i < volumes.size(); ++i) fs::remove(volumes[i]);
  for (const std::string& name : ring_of_names(dir / "set")) {
    if (name != volumes[1]) fs::create_hard_link(volumes[1], name);
  }
  const RunResult tested = run_archive(volumes[0], RAR_TEST);
  ASSERT_EQ(tested.entries.size(), 1u);
  EXPECT_EQ(tested.entries[0].result, ERAR_EOPEN);
  const RunResult listed = run_archive(volumes[0], RAR_SKIP, "", "", RAR_OM_LIST);
  ASSERT_EQ(listed.entries.size(), 1u);
  EXPECT_EQ(listed.entries[0].result, ERAR_EOPEN);
}

int gVolumeCalls = 0;
int gStopAtVolume = 0;  // the call with this count returns 0; 0: never

int count_volumes(unsigned char* address, int size) {
  if (address == nullptr && size == 0) ++gVolumeCalls;
  return gVolumeCalls == gStopAtVolume ? 0 : 1;
}

// The data callback hears of each further volume (NULL and 0) while a call reads
// on through a long chain, and stops the call as it stops an entry.
TEST(LoopingSets, TheDataCallbackIsToldOfEachFurtherVolumeAndCanStopTheChain) {
  TempDir dir;
  const std::vector<std::string> volumes = WriteRarVolumes(dir / "long", RarVolumeNaming::OldStyle,
                                                           100, {{"long.bin", pattern(3000, 4)}});
  ASSERT_GE(volumes.size(), 30u);
  for (const int stopAt : {0, 3}) {
    SCOPED_TRACE(stopAt);
    gVolumeCalls = 0;
    gStopAtVolume = stopAt;
    const std::string out = dir / "out";
    fs::remove_all(out);
    fs::create_directory(out);
    const RunResult run =
        run_archive(volumes[0], RAR_EXTRACT, out, "", RAR_OM_EXTRACT, count_volumes);
    ASSERT_EQ(run.entries.size(), 1u);
    if (stopAt == 0) {
      EXPECT_EQ(run.entries[0].result, 0);
      EXPECT_EQ(gVolumeCalls, static_cast<int>(volumes.size()) - 1);
    } else {
      EXPECT_EQ(run.entries[0].result, ERAR_UNKNOWN);
      EXPECT_EQ(gVolumeCalls, stopAt);
      EXPECT_FALSE(fs::exists(out + "/long.bin"));
    }
  }
}

}  // namespace
}  // namespace unrar_test
