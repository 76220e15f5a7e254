// The test writer checked against an independent reader: Debian's unace 1.2b
// extracts the writer's ACE 1.0 archives (stored and LZ77 entries, folders, empty
// files, solid archives, volume sets, a self-extracting prefix) byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "support/ace_packer.h"
#include "support/ace_writer.h"
#include "writer_test_data.h"

namespace {

namespace fs = std::filesystem;
using tessaly::testing::AceEntrySpec;
using tessaly::testing::AceFolder;
using tessaly::testing::AceMethod;
using tessaly::testing::AceOptions;
using tessaly::testing::WriteAce;
using tessaly::testing::WriteAceVolumes;
using namespace writer_data;

constexpr const char* kUnace = "/usr/bin/unace";

class DebianUnace : public testing::Test {
 protected:
  void SetUp() override {
    if (access(kUnace, X_OK) != 0) GTEST_SKIP() << "Debian's unace is not installed";
    fs::create_directory(out);
  }

  // unace extracts into the current folder; without -y it would wait for answers.
  int extract(const std::string& archive) {
    const std::string command = "cd '" + out + "' && timeout 60 " + kUnace + " x -y '" + archive +
                                "' >'" + (dir / "unace.log").string() + "' 2>&1 </dev/null";
    return std::system(command.c_str());
  }

  std::string log() const { return ReadBytes(dir / "unace.log"); }

  // Every file and folder the entries name is there with its bytes, and nothing else.
  void expect_extracted(const std::vector<AceEntrySpec>& entries) {
    std::map<std::string, const AceEntrySpec*> expected;
    for (const AceEntrySpec& entry : entries) expected[entry.name] = &entry;
    for (const auto& [name, entry] : expected) {
      const fs::path path = fs::path(out) / name;
      if (entry->folder) {
        EXPECT_TRUE(fs::is_directory(path)) << name << "\n" << log();
        continue;
      }
      ASSERT_TRUE(fs::is_regular_file(path)) << name << "\n" << log();
      EXPECT_TRUE(ReadBytes(path) == entry->data) << name << " differs\n" << log();
    }
    for (const auto& found : fs::recursive_directory_iterator(out)) {
      const std::string name = fs::relative(found.path(), out).string();
      EXPECT_TRUE(expected.count(name) || found.is_directory()) << "unexpected " << name;
    }
  }

  TempDir dir;
  std::string out = dir / "out";
};

std::vector<AceEntrySpec> MixedEntries() {
  std::vector<AceEntrySpec> entries = {
      AceFolder("docs"),
      {"docs/readme.txt", LogText(1, 20000)},
      {"docs/stored.bin", RandomBytes(2, 3000), false, AceMethod::Stored},
      {"empty.txt", ""},
      AceFolder("docs/deep"),
      {"docs/deep/zeros.bin", std::string(70000, '\0')},
      {"random.bin", RandomBytes(3, 5000)},
      {"one.txt", "x"},
      {"abc.txt", "abcabcabc\n"},
  };
  return entries;
}

TEST_F(DebianUnace, ExtractsStoredAndLz77EntriesFoldersAndEmptyFiles) {
  const std::vector<AceEntrySpec> entries = MixedEntries();
  const std::string archive = dir / "mixed.ace";
  WriteAce(archive, entries);
  EXPECT_EQ(extract(archive), 0) << log();
  expect_extracted(entries);
}

// Blocks of 32,767 symbols follow each other; matches reach back as far as each
// dictionary allows (Debian's unace reads dictionaries up to 1 MiB).
TEST_F(DebianUnace, ExtractsLargeEntriesWithEveryDictionarySize) {
  const std::vector<AceEntrySpec> entries = {
      {"text.log", LogText(4, 100000)},
      {"far.bin", FarCopies(5, 80000, 60000)},
      {"mixed.bin", Interleaved(6, 50000)},
  };
  for (const unsigned bits : {10u, 16u, 20u}) {
    SCOPED_TRACE(bits);
    fs::remove_all(out);
    fs::create_directory(out);
    AceOptions options;
    options.dictionaryBits = bits;
    const std::string archive = dir / ("dict" + std::to_string(bits) + ".ace");
    WriteAce(archive, entries, options);
    EXPECT_EQ(extract(archive), 0) << log();
    expect_extracted(entries);
  }
}

// Later entries copy from earlier ones, stored ones included.
TEST_F(DebianUnace, ExtractsASolidArchive) {
  const std::string shared = LogText(7, 30000);
  const std::vector<AceEntrySpec> entries = {
      {"a.txt", shared},
      {"b.txt", shared.substr(1000) + "tail"},
      AceFolder("sub"),
      {"sub/stored.txt", shared.substr(0, 2000) + "stored", false, AceMethod::Stored},
      {"sub/c.txt", shared.substr(0, 2000) + "stored and more " + shared.substr(0, 500)},
  };
  AceOptions options;
  options.solid = true;
  const std::string archive = dir / "solid.ace";
  WriteAce(archive, entries, options);
  const std::string plain = dir / "plain.ace";
  WriteAce(plain, entries);
  EXPECT_LT(fs::file_size(archive), fs::file_size(plain));
  EXPECT_EQ(extract(archive), 0) << log();
  expect_extracted(entries);
}

TEST_F(DebianUnace, ExtractsVolumeSetsWithEntriesSplitAcrossVolumes) {
  const std::vector<AceEntrySpec> entries = {
      {"first.bin", RandomBytes(8, 25000)},
      AceFolder("dir"),
      {"dir/empty", ""},
      {"dir/text.txt", LogText(9, 90000)},
      {"last.bin", RandomBytes(10, 12000), false, AceMethod::Stored},
  };
  for (const bool solid : {false, true}) {
    SCOPED_TRACE(solid ? "solid" : "not solid");
    fs::remove_all(out);
    fs::create_directory(out);
    AceOptions options;
    options.solid = solid;
    const std::string base = dir / (solid ? "solid-set" : "set");
    const std::vector<std::string> volumes = WriteAceVolumes(base, 10000, entries, options);
    ASSERT_GE(volumes.size(), 5u);
    EXPECT_EQ(volumes[1], base + ".c00");
    EXPECT_EQ(extract(volumes.front()), 0) << log();
    expect_extracted(entries);
  }
}

TEST_F(DebianUnace, FindsTheArchiveBehindASelfExtractingPrefix) {
  const std::vector<AceEntrySpec> entries = {{"inside.txt", LogText(11, 5000)}};
  AceOptions options;
  options.sfxPrefix = "MZ" + RandomBytes(12, 40000);
  const std::string archive = dir / "sfx.exe";
  WriteAce(archive, entries, options);
  EXPECT_EQ(extract(archive), 0) << log();
  expect_extracted(entries);
}

// The checksums every header and entry carries, against the format's vectors.
TEST(AcePacker, CrcAndHeaderChecksumMatchTheFormatsVectors) {
  EXPECT_EQ(tessaly::testing::AceCrc32("123456789"), 0x340BC6D9u);
  EXPECT_EQ(tessaly::testing::AceCrc32(""), 0xFFFFFFFFu);
  EXPECT_EQ(tessaly::testing::AceCrc32("wow .ace"), 0xECA042C7u);
}

}  // namespace
