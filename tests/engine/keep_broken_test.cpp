// An entry with one byte of its data flipped, in every format: by default nothing of it
// is left; with "Keep broken files" what was written of it stays as "<name>.damaged",
// never over a file already there, and the message says so. The job does not finish.
#include <gtest/gtest.h>

#include "engine/arj_fixture.h"
#include "support/ace_writer.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

struct DamagedFormat {
  const char* name;
  // The tool that makes the archive (named second last) of a.txt, stored; "rar4", "rar5"
  // (a volume set) and "ace" are the tests' own writers.
  std::vector<std::string> argv;
  bool keptInPart = false;  // only what came before the failure was seen is kept
};

// Two gzip members, the first longer than one read of the inflater: the tar's first
// blocks come out before its CRC is found wrong.
constexpr const char* kTarGz =
    "import gzip, io, sys, tarfile\nopen('a.txt', 'a').write(open('a.txt').read() * 6000)\n"
    "buf = io.BytesIO()\nwith tarfile.open(fileobj=buf, mode='w') as t: t.add('a.txt')\n"
    "tar = buf.getvalue()\n"
    "open(sys.argv[1], 'wb').write(gzip.compress(tar[:280000], 0) + gzip.compress(tar[280000:]))";

const DamagedFormat kDamagedFormats[] = {
    {"Zip", {"zip", "-0", "-q", "d.zip", "a.txt"}},
    {"SevenZip", {"7z", "a", "-mx0", "d.7z", "a.txt"}},
    {"TarGz", {"python3", "-c", kTarGz, "d.tgz", "-"}, true},
    {"Arj", {"arj", "a", "-m0", "-y", "d.arj", "a.txt"}},
    {"Rar4", {"rar4", "d.rar", ""}},
    {"Rar5Volumes", {"rar5", "d", ""}},
    {"Ace", {"ace", "d.ace", ""}},
};

// The archive's path (the first volume's).
std::string Write(const fs::path& folder, const std::vector<std::string>& argv) {
  const std::string path = (folder / argv[argv.size() - 2]).string();
  const std::string data = ReadFileText(folder / "a.txt");
  if (argv[0] == "rar5") {
    RarOptions rar5;
    rar5.format = RarFormat::Rar5;
    return WriteRarVolumes(path, RarVolumeNaming::PartN, 20, {{"a.txt", data}}, rar5).front();
  }
  if (argv[0] == "rar4") {
    WriteRar(path, {{"a.txt", data}});
  } else if (argv[0] == "ace") {
    WriteAce(path, {{"a.txt", data, false, AceMethod::Stored}});
  } else {
    EXPECT_EQ(RunTool(argv, folder), 0) << argv[0];
  }
  return path;
}

class KeepBrokenTest : public ArjTest, public ::testing::WithParamInterface<DamagedFormat> {};

TEST_P(KeepBrokenTest, ADamagedEntryLeavesNothingUnlessKeptBesideWhatIsThere) {
  const fs::path folder = PathOf("archive");
  WriteFileText(folder / "a.txt", "Kept when broken: 0123456789 abcdefghijklmnopqrstuvwxyz");
  const std::string archive = Write(folder, GetParam().argv);
  std::string flipped = ReadFileText(folder / "a.txt");
  flipped[0] ^= 0x20;
  std::string bytes = ReadFileText(archive);
  bytes[bytes.find(flipped.substr(1, 15)) - 1] ^= 0x20;
  WriteFileText(archive, bytes);
  ExtractInto({archive});
  EXPECT_EQ(TreeOf(PathOf("out")), std::vector<std::string>{});

  SetSetting("General", "Keep broken files", "1");
  WriteFileText(PathOf("out/a.txt.damaged"), "already there");
  dialogs.messages.clear();
  ExtractInto({archive});
  EXPECT_EQ(TreeOf(PathOf("out")),
            (std::vector<std::string>{"a.txt.damaged", "a.txt.damaged (2)"}));
  EXPECT_EQ(ReadFileText(PathOf("out/a.txt.damaged")), "already there");
  const std::string kept = ReadFileText(PathOf("out/a.txt.damaged (2)"));
  EXPECT_TRUE(kept == flipped ||
              (GetParam().keptInPart && kept.size() > 0 && flipped.starts_with(kept)));
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_TRUE(MessageTexts()[0].ends_with(" The damaged file was kept as \"a.txt.damaged (2)\"."));
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, KeepBrokenTest, ::testing::ValuesIn(kDamagedFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessaly::testing
