// The test writer checked against an independent reader: Debian's unace 1.2b
// extracts the writer's ACE 1.0 archives byte for byte.
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

// One set of entries in every shape the writer makes: dictionaries of 1 KiB to 1 MiB
// (Debian's unace reads no larger ones) with matches as far back as each allows, a
// self-extracting prefix, and volume sets with entries split across volumes, where
// in the solid one later entries copy from earlier ones, the stored one included.
TEST_F(DebianUnace, ExtractsTheWritersArchivesInEveryShape) {
  const std::string far = RandomBytes(5, 60000);
  const std::string text = LogText(9, 90000);
  const std::string stored = RandomBytes(10, 12000);
  const std::vector<AceTestEntry> entries = {
      AceFolder("docs"),
      {"docs/readme.txt", LogText(1, 20000)},
      {"docs/stored.bin", RandomBytes(2, 3000), false, AceMethod::Stored},
      {"empty.txt", ""},
      AceFolder("docs/deep"),
      {"docs/deep/zeros.bin", std::string(70000, '\0')},
      {"far.bin", far + far.substr(0, 20000)},
      {"one.txt", "x"},
      {"docs/text.txt", text},
      {"last.bin", stored, false, AceMethod::Stored},
      {"docs/again.txt", text.substr(1000, 30000) + "tail" + stored.substr(0, 2000)},
  };
  const struct {
    const char* name;
    unsigned dictionaryBits;
    bool prefix, solid;
    uint64_t volumeSize;
  } cases[] = {
      {"dict10.ace", 10, false, false, 0},   {"dict20.ace", 20, false, false, 0},
      {"sfx.exe", 16, true, false, 0},       {"set", 16, false, false, 20000},
      {"solid-set", 16, false, true, 20000},
  };
  std::vector<uintmax_t> setSizes;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AceOptions options;
    options.dictionaryBits = c.dictionaryBits;
    options.solid = c.solid;
    if (c.prefix) options.sfxPrefix = "MZ" + RandomBytes(12, 40000);
    const std::string base = temp_ / c.name;
    if (c.volumeSize == 0) {
      WriteAce(base, entries, options);
      expect_extracted(base, entries);
      continue;
    }
    const std::vector<std::string> volumes = WriteAceVolumes(base, c.volumeSize, entries, options);
    ASSERT_GE(volumes.size(), 5u);
    EXPECT_EQ(volumes[1], base + ".c00");
    setSizes.push_back(0);
    for (const std::string& volume : volumes) setSizes.back() += fs::file_size(volume);
    expect_extracted(volumes.front(), entries);
  }
  EXPECT_LT(setSizes[1], setSizes[0]);
}

}  // namespace
}  // namespace unace::testing
