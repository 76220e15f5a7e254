// The test writer checked on its own: its key derivations against published vectors,
// its archives against independent readers (bsdtar and 7z, each test skipped when its
// reader is not installed), and the names and layout of its volume sets.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// Runs a command; true when it succeeded, with its standard output in output.
bool RunCommand(const std::string& command, std::string& output) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[4096];
  size_t got = 0;
  output.clear();
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  return pclose(pipe) == 0;
}

bool Installed(const std::string& program) {
  std::string ignored;
  return RunCommand("command -v " + program, ignored);
}

// A stub as self-extracting files start: a program header, then padding.
std::string SfxStub() {
  return "MZ" + std::string(4094, '\0');
}

TEST(RarWriterKeys, Rar4DerivationMatchesPublishedVectors) {
  const RarAesKey salted = DeriveRar4AesKey("abcdefgh", Unhex("0102030405060708"));
  EXPECT_EQ(Hex(salted.key), "11fff49a1103ca9bdfd6dcdb812612d0");
  EXPECT_EQ(Hex(salted.iv), "38e1d8f3ecd6be2938659681f4bf5037");
  const RarAesKey unsalted = DeriveRar4AesKey("password", "");
  EXPECT_EQ(Hex(unsalted.key), "9bde0a0b8000e732fe25f1ba7e77012c");
  EXPECT_EQ(Hex(unsalted.iv), "353b447f82c586792fc594e64c4e67f9");
}

TEST(RarWriterKeys, Rar5DerivationMatchesPublishedVectors) {
  const Rar5DerivedKeys keys = DeriveRar5Keys("password", std::string(16, '\0'));
  EXPECT_EQ(Hex(keys.key), "a6530a8c80b7cba0a1ac3f8e8c8088c74fe0398633f86fb1bc3be91f30b8a195");
  EXPECT_EQ(Hex(keys.check), "c0361938fe6431aa");
  const Rar5DerivedKeys fixture =
      DeriveRar5Keys("password", Unhex("c7445ee180f8b59fd62b433708bc57cd"));
  EXPECT_EQ(Hex(fixture.hashKey),
            "523ac49a98ec2fc579792683b1c0af69490ed5e775933e74ab382f03f278d8b7");
}

class RarWriterArchives : public ::testing::TestWithParam<RarFormat> {
 protected:
  std::string PathOf(const std::string& name) const { return (folder_.path() / name).string(); }
  TempFolder folder_;
};

TEST_P(RarWriterArchives, AnIndependentReaderListsAndReadsThem) {
  if (!Installed("bsdtar")) GTEST_SKIP() << "bsdtar (libarchive-tools) is not installed";
  RarOptions options;
  options.format = GetParam();
  const std::string path = PathOf("plain.rar");
  WriteRar(path, {RarFolder("docs"), {"docs/a.txt", "alpha\n"}, {"b.bin", std::string(70000, 'b')}},
           options);
  std::string listing;
  ASSERT_TRUE(RunCommand("bsdtar -tf '" + path + "'", listing));
  EXPECT_EQ(listing, "docs\ndocs/a.txt\nb.bin\n");
  std::string content;
  ASSERT_TRUE(RunCommand("bsdtar -xOf '" + path + "' docs/a.txt", content));
  EXPECT_EQ(content, "alpha\n");
  ASSERT_TRUE(RunCommand("bsdtar -xOf '" + path + "' b.bin", content));
  EXPECT_EQ(content, std::string(70000, 'b'));
}

// 7-Zip finds an archive behind a program stub, decrypts both formats' ciphers and
// joins volume sets.
TEST_P(RarWriterArchives, SevenZipFindsTheArchiveBehindAnSfxStub) {
  if (!Installed("7z")) GTEST_SKIP() << "7z (p7zip-full) is not installed";
  RarOptions options;
  options.format = GetParam();
  options.sfxPrefix = SfxStub();
  const std::string path = PathOf("setup.exe");
  WriteRar(path, {{"a.txt", "alpha"}}, options);
  std::string content;
  ASSERT_TRUE(RunCommand("7z x -so '" + path + "' a.txt", content));
  EXPECT_EQ(content, "alpha");
}

TEST_P(RarWriterArchives, VolumeSetsAreNamedInEachSchemeAndSplitTheData) {
  const std::vector<RarEntrySpec> entries = {{"big.txt", std::string(250, 'x')},
                                             {"small.txt", "s"}};
  RarOptions options;
  options.format = GetParam();
  const struct {
    RarVolumeNaming naming;
    std::vector<std::string> names;
  } cases[] = {
      {RarVolumeNaming::OldStyle, {"set.rar", "set.r00", "set.r01"}},
      {RarVolumeNaming::PartN, {"set.part1.rar", "set.part2.rar", "set.part3.rar"}},
      {RarVolumeNaming::Numbered, {"set.001", "set.002", "set.003"}},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> paths =
        WriteRarVolumes(PathOf("set"), c.naming, 100, entries, options);
    std::vector<std::string> names;
    for (const std::string& path : paths) {
      names.push_back(fs::path(path).filename().string());
      EXPECT_EQ(ReadFileText(path).substr(0, 6), "Rar!\x1a\x07") << path;
    }
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(ReadFileText(paths[1]).find("small.txt"), std::string::npos);
    EXPECT_NE(ReadFileText(paths[2]).find("small.txt"), std::string::npos)
        << "250 bytes in volumes of 100: small.txt goes into the third";
    for (const std::string& path : paths) fs::remove(path);
  }
}

TEST_P(RarWriterArchives, SevenZipDecryptsDataAndHeadersWithThePasswordOnly) {
  if (!Installed("7z")) GTEST_SKIP() << "7z (p7zip-full) is not installed";
  RarOptions options;
  options.format = GetParam();
  options.password = "secret";
  for (const bool headers : {false, true}) {
    options.encryptHeaders = headers;
    const std::string path = PathOf(headers ? "headers.rar" : "data.rar");
    WriteRar(path, {{"plain.txt", "open"}, {"locked.txt", "closed text", false, true}}, options);
    std::string content;
    ASSERT_TRUE(RunCommand("7z x -so -psecret '" + path + "' locked.txt", content)) << path;
    EXPECT_EQ(content, "closed text") << path;
    EXPECT_FALSE(RunCommand("7z t -pwrong '" + path + "'", content)) << path;
  }
}

TEST_P(RarWriterArchives, SevenZipReadsEncryptedEntriesSplitAcrossVolumes) {
  if (!Installed("7z")) GTEST_SKIP() << "7z (p7zip-full) is not installed";
  RarOptions options;
  options.format = GetParam();
  options.password = "secret";
  for (const RarVolumeNaming naming :
       {RarVolumeNaming::OldStyle, RarVolumeNaming::PartN, RarVolumeNaming::Numbered}) {
    // 7-Zip reads a RAR5 ".001" set as pieces cut by a splitting tool.
    if (GetParam() == RarFormat::Rar5 && naming == RarVolumeNaming::Numbered) continue;
    const std::vector<std::string> paths = WriteRarVolumes(
        PathOf("set"), naming, 100,
        {{"big.txt", std::string(250, 'x'), false, true}, {"small.txt", "s"}}, options);
    std::string report;
    EXPECT_TRUE(RunCommand("7z t -psecret '" + paths[0] + "'", report)) << paths[0] << report;
    EXPECT_NE(report.find("Volumes = 3"), std::string::npos) << report;
    EXPECT_NE(report.find("Files: 2"), std::string::npos) << report;
    for (const std::string& path : paths) fs::remove(path);
  }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, RarWriterArchives,
                         ::testing::Values(RarFormat::Rar4, RarFormat::Rar5), [](const auto& info) {
                           return info.param == RarFormat::Rar4 ? std::string("Rar4")
                                                                : std::string("Rar5");
                         });

}  // namespace
}  // namespace tessaly::testing
