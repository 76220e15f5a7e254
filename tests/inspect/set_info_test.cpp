// Set information over folders the test fills: which files count as volumes, their
// order, dates and sizes, the count, and the summary the window shows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "inspect/set_info.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kFirstTime = 1'600'000'000;

struct SetCase {
  const char* name;
  // File i holds 100 + i bytes and was last changed at kFirstTime + i; a name ending
  // in "/" is a folder.
  std::vector<std::string> files;
  std::string selected;  // the archive, which is also the list's selected item
  std::string type;
  bool probeIsExe;
  std::vector<std::string> rows;
  std::string summary;
};

TEST(SetInfoTest, ListsTheVolumesBesideTheArchive) {
  const SetCase cases[] = {
      {"RarOldStyle",
       {"set.r01", "set.rar", "set.r00", "other.r00"},
       "set.rar",
       "rar",
       false,
       {"set.r00", "set.r01", "set.rar"},
       "This set appears to contain 3 file(s) totalling 303 bytes."},
      {"RarSelfExtracting",
       {"set.exe", "set.r00", "set.r01"},
       "set.exe",
       "rar",
       true,
       {"set.exe", "set.r00", "set.r01"},
       "This set appears to contain 3 file(s) totalling 303 bytes."},
      // Nothing matches "set.r*": no row with an empty name.
      {"RarSelfExtractingAlone",
       {"set.exe"},
       "set.exe",
       "rar",
       true,
       {"set.exe"},
       "This set appears to contain 1 file(s) totalling 100 bytes."},
      {"RarFolderAndDotFileAreNoVolumes",
       {"set.rar", "set.r00", "set.r02/", ".set.r03"},
       "set.rar",
       "rar",
       false,
       {"set.r00", "set.rar"},
       "This set appears to contain 2 file(s) totalling 201 bytes."},
      {"Ace",
       {"set.ace", "set.c00", "set.c01", "set.cab"},
       "set.ace",
       "ace",
       false,
       {"set.ace", "set.c00", "set.c01"},
       "This set appears to contain 3 file(s) totalling 303 bytes."},
      {"ZipHasNoSet",
       {"set.zip", "set.z01"},
       "set.zip",
       "zip",
       false,
       {},
       "This set appears to contain 0 file(s) totalling  bytes."},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const fs::path& dir = folder.path();
    for (size_t i = 0; i < c.files.size(); ++i) {
      const fs::path file = dir / c.files[i];
      if (c.files[i].ends_with('/')) {
        fs::create_directory(file);
        continue;
      }
      WriteFileText(file, std::string(100 + i, 'v'));
      const timespec times[2] = {{kFirstTime, 0}, {kFirstTime + static_cast<time_t>(i), 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }
    const SetInfo info = ReadSetInfo((dir / c.selected).string(), c.type, c.probeIsExe, c.selected);

    std::vector<std::string> names;
    for (const SetVolume& volume : info.volumes) {
      names.push_back(volume.name);
      const auto index = std::find(c.files.begin(), c.files.end(), volume.name) - c.files.begin();
      EXPECT_EQ(volume.bytes, 100u + index) << volume.name;
      EXPECT_EQ(volume.modified, kFirstTime + index) << volume.name;
    }
    EXPECT_EQ(names, c.rows);
    EXPECT_EQ(SetSummaryText(info), c.summary);
  }
}

TEST(SetInfoTest, AceFirstRowTakesTheSelectedItemsTextAndTheArchivesSize) {
  TempFolder folder;
  WriteFileText(folder.path() / "Set.ace", std::string(300, 'a'));
  const SetInfo info = ReadSetInfo((folder.path() / "Set.ace").string(), "ace", false, "shown.ace");
  ASSERT_EQ(info.volumes.size(), 1u);
  EXPECT_EQ(info.volumes[0].name, "shown.ace");
  EXPECT_EQ(info.volumes[0].bytes, 300u);
  EXPECT_EQ(SetSummaryText(info), "This set appears to contain 1 file(s) totalling 300 bytes.");
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
