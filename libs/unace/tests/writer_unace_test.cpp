// The test writer checked against an independent reader: Debian's unace 1.2b
// extracts the writer's ACE 1.0 archives (stored and LZ77 entries, folders, empty
// files, every dictionary size it reads, solid volume sets, a self-extracting
// prefix) byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "api_test_support.h"

namespace unace::testing {
namespace {

constexpr const char* kUnace = "/usr/bin/unace";

class DebianUnace : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kUnace, X_OK) != 0) GTEST_SKIP() << "Debian's unace is not installed";
  }

  // Extracts into a fresh folder (unace extracts into the current one; without -y it
  // would wait for answers) and expects every file and folder the entries name there
  // with its bytes, and nothing else (the entries name every folder).
  void expect_extracted(const std::string& archive, const std::vector<AceTestEntry>& entries) {
    fs::remove_all(out_);
    fs::create_directory(out_);
    const std::string log = temp_ / "unace.log";
    const std::string command = "cd '" + out_.string() + "' && timeout 60 " + kUnace + " x -y '" +
                                archive + "' >'" + log + "' 2>&1 </dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFileText(log);
    std::vector<std::string> expected;
    for (const AceTestEntry& entry : entries) {
      expected.push_back(entry.name + (entry.folder ? "/" : ""));
      if (entry.folder) continue;
      EXPECT_TRUE(ReadFileText(out_ / entry.name) == entry.data) << entry.name << " differs\n"
                                                                 << ReadFileText(log);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(TreeOf(out_), expected) << ReadFileText(log);
  }

  TempFolder temp_;
  fs::path out_ = temp_.path() / "out";
};

TEST_F(DebianUnace, ExtractsStoredAndLz77EntriesFoldersAndEmptyFilesAlsoBehindAPrefix) {
  const std::vector<AceTestEntry> entries = {
      AceFolder("docs"),
      {"docs/readme.txt", LogText(1, 20000)},
      {"docs/stored.bin", RandomBytes(2, 3000), false, AceMethod::Stored},
      {"empty.txt", ""},
      AceFolder("docs/deep"),
      {"docs/deep/zeros.bin", std::string(70000, '\0')},
      {"random.bin", RandomBytes(3, 5000)},
      {"one.txt", "x"},
  };
  WriteAce(temp_ / "mixed.ace", entries);
  expect_extracted(temp_ / "mixed.ace", entries);
  AceOptions options;
  options.sfxPrefix = "MZ" + RandomBytes(12, 40000);
  WriteAce(temp_ / "sfx.exe", entries, options);
  expect_extracted(temp_ / "sfx.exe", entries);
}

// Blocks of 32,767 symbols follow each other; matches reach back as far as each
// dictionary allows (Debian's unace reads dictionaries up to 1 MiB).
TEST_F(DebianUnace, ExtractsLargeEntriesWithEveryDictionarySize) {
  const std::string far = RandomBytes(5, 60000);
  const std::vector<AceTestEntry> entries = {
      {"text.log", LogText(4, 100000)},
      {"far.bin", far + far.substr(0, 20000)},
  };
  for (const unsigned bits : {10u, 16u, 20u}) {
    SCOPED_TRACE(bits);
    AceOptions options;
    options.dictionaryBits = bits;
    const std::string archive = temp_ / ("dict" + std::to_string(bits) + ".ace");
    WriteAce(archive, entries, options);
    expect_extracted(archive, entries);
  }
}

// Solid, later entries copy from earlier ones, the stored one included, also across
// volumes.
TEST_F(DebianUnace, ExtractsVolumeSetsWithEntriesSplitAcrossVolumes) {
  const std::string text = LogText(9, 90000);
  const std::string stored = RandomBytes(10, 12000);
  const std::vector<AceTestEntry> entries = {
      {"first.bin", RandomBytes(8, 25000)},
      AceFolder("dir"),
      {"dir/empty", ""},
      {"dir/text.txt", text},
      {"last.bin", stored, false, AceMethod::Stored},
      {"dir/again.txt", text.substr(1000, 30000) + "tail" + stored.substr(0, 2000)},
  };
  std::vector<size_t> sizes;
  for (const bool solid : {false, true}) {
    SCOPED_TRACE(solid ? "solid" : "not solid");
    AceOptions options;
    options.solid = solid;
    const std::string base = temp_ / (solid ? "solid-set" : "set");
    const std::vector<std::string> volumes = WriteAceVolumes(base, 10000, entries, options);
    ASSERT_GE(volumes.size(), 5u);
    EXPECT_EQ(volumes[1], base + ".c00");
    sizes.push_back(0);
    for (const std::string& volume : volumes) sizes.back() += fs::file_size(volume);
    expect_extracted(volumes.front(), entries);
  }
  EXPECT_LT(sizes[1], sizes[0]);
}

}  // namespace
}  // namespace unace::testing
