// The test writer's archives read by independent readers (bsdtar and 7z, each test
// skipped when its reader is not installed): the library's own reading of them is
// checked everywhere else.
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

// 7-Zip finds an archive behind a program stub, decrypts data and headers with the
// password only, and joins volume sets with an entry split across them.
TEST_P(RarWriterArchives, SevenZipReadsSfxEncryptionAndVolumes) {
  if (!Installed("7z")) GTEST_SKIP() << "7z (p7zip-full) is not installed";
  RarOptions options;
  options.format = GetParam();
  options.password = "secret";
  options.sfxPrefix = SfxStub();
  const std::string sfx = PathOf("setup.exe");
  WriteRar(sfx, {{"locked.txt", "closed text", false, true}}, options);
  std::string content;
  ASSERT_TRUE(RunCommand("7z x -so -psecret '" + sfx + "' locked.txt", content));
  EXPECT_EQ(content, "closed text");
  EXPECT_FALSE(RunCommand("7z t -pwrong '" + sfx + "'", content));

  options.sfxPrefix.clear();
  options.encryptHeaders = true;
  const std::string headers = PathOf("headers.rar");
  WriteRar(headers, {{"plain.txt", "open"}, {"locked.txt", "closed text"}}, options);
  ASSERT_TRUE(RunCommand("7z x -so -psecret '" + headers + "' locked.txt", content));
  EXPECT_EQ(content, "closed text");
  EXPECT_FALSE(RunCommand("7z t -pwrong '" + headers + "'", content));

  options.encryptHeaders = false;
  for (const RarVolumeNaming naming : {RarVolumeNaming::OldStyle, RarVolumeNaming::PartN}) {
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
