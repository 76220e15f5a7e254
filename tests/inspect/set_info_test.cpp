// Set information over folders the test fills: which files count as volumes, their
// order, dates and sizes, the count, and the summary the window shows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "inspect/set_info.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kFirstTime = 1'600'000'000;

// Names separated by blanks.
std::vector<std::string> Names(const std::string& text) {
  std::vector<std::string> names;
  std::istringstream in(text);
  for (std::string name; in >> name;) names.push_back(name);
  return names;
}

// File i of files holds 100 + i bytes and was last changed at kFirstTime + i; a name
// ending in "/" is a folder. The selected item's text names the first row of an ACE set.
TEST(SetInfoTest, ListsTheVolumesBesideTheArchive) {
  const struct {
    const char* files;
    const char* selected;  // the archive
    const char* type;
    bool probeIsExe;
    const char* rows;
    const char* total;       // bytes
    const char* shown = "";  // the list's selected item, when not the archive's name
  } cases[] = {
      {"set.r01 set.rar set.r00 other.r00", "set.rar", "rar", false, "set.rar set.r00 set.r01",
       "303"},
      {"s.part2.rar s.part1.rar s.part3.rar s.part1.part2.rar s.partx.rar", "s.part1.rar", "rar",
       false, "s.part1.rar s.part2.rar s.part3.rar", "303"},
      {"set.exe set.r00 set.r01", "set.exe", "rar", true, "set.exe set.r00 set.r01", "303"},
      // Nothing matches "set.r*": no row with an empty name.
      {"set.exe", "set.exe", "rar", true, "set.exe", "100"},
      {"set.rar set.r00 set.r02/ .set.r03", "set.rar", "rar", false, "set.rar set.r00", "201"},
      {"set.ace set.c00 set.c01 set.cab", "set.ace", "ace", false, "set.ace set.c00 set.c01",
       "303"},
      {"Set.ace", "Set.ace", "ace", false, "shown.ace", "100", "shown.ace"},
      {"set.zip set.z01", "set.zip", "zip", false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files);
    TempFolder folder;
    const fs::path& dir = folder.path();
    const std::vector<std::string> files = Names(c.files);
    for (size_t i = 0; i < files.size(); ++i) {
      const fs::path file = dir / files[i];
      if (files[i].ends_with('/')) {
        fs::create_directory(file);
        continue;
      }
      WriteFileText(file, std::string(100 + i, 'v'));
      const timespec times[2] = {{kFirstTime, 0}, {kFirstTime + static_cast<time_t>(i), 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }
    const std::string shown = *c.shown ? c.shown : c.selected;
    const SetInfo info = ReadSetInfo((dir / c.selected).string(), c.type, c.probeIsExe, shown);

    std::vector<std::string> names;
    for (const SetVolume& volume : info.volumes) {
      names.push_back(volume.name);
      const std::string file = volume.name == shown ? c.selected : volume.name;
      const auto index = std::find(files.begin(), files.end(), file) - files.begin();
      EXPECT_EQ(volume.bytes, 100u + index) << volume.name;
      EXPECT_EQ(volume.modified, kFirstTime + index) << volume.name;
    }
    EXPECT_EQ(names, Names(c.rows));
    EXPECT_EQ(SetSummaryText(info), "This set appears to contain " + std::to_string(names.size()) +
                                        " file(s) totalling " + c.total + " bytes.");
  }
}

// The headers lead from volume to volume, also where the names share no stem; the
// other sets beside them are not counted.
TEST(SetInfoTest, ArjVolumesAreTheOnesTheHeadersLeadTo) {
  const fs::path corpus = fs::path(TESSALY_CORPUS_DIR) / "arj";
  const struct {
    const char* archive;
    std::vector<std::string> rows;
  } kSets[] = {
      {"ARJMVOLN.ARJ", {"ARJMV001.ARJ", "ARJMV002.ARJ", "ARJMVOLN.ARJ"}},
      {"Arj.store.split.arj",
       {"Arj.store.split.a01", "Arj.store.split.a02", "Arj.store.split.a03", "Arj.store.split.a04",
        "Arj.store.split.a05", "Arj.store.split.arj"}},
      {"t.arj", {"t.arj"}},
  };
  for (const auto& set : kSets) {
    const SetInfo info = ReadSetInfo((corpus / set.archive).string(), "arj", false, set.archive);
    std::vector<std::string> names;
    for (const SetVolume& volume : info.volumes) names.push_back(volume.name);
    uintmax_t total = 0;
    for (const std::string& name : set.rows) total += fs::file_size(corpus / name);
    EXPECT_EQ(names, set.rows) << set.archive;
    EXPECT_EQ(info.volumeCount, static_cast<int32_t>(set.rows.size()));
    EXPECT_EQ(info.totalBytes, total);
  }
}

}  // namespace
}  // namespace tessaly::testing
