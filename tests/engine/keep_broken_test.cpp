// An entry whose data was damaged (one byte flipped), in every format: by default
// nothing of it is left; with "Keep broken files" what was written of it stays beside
// its place as "<name>.damaged", never over a file already there, and the message says
// so. Either way the job does not finish.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/arj_fixture.h"
#include "support/ace_writer.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::string kData = "Kept when broken: 0123456789 abcdefghijklmnopqrstuvwxyz";

struct DamagedFormat {
  const char* name;
  // Writes an archive holding the file "a.txt" of folder, stored; its path.
  std::function<std::string(const fs::path& folder)> write;
  // a.txt is kData this many times; what is kept of it: all, or (false) what came
  // before the failure was seen.
  int copies = 1;
  bool keptWhole = true;
};

// Runs a tool that writes the archive name in folder; its path.
std::string Run(const fs::path& folder, const std::string& name,
                const std::vector<std::string>& argv) {
  EXPECT_EQ(RunTool(argv, folder), 0) << argv[0];
  return (folder / name).string();
}

// Two gzip members, the first longer than one read of the inflater: the tar's first
// blocks come out before the first member's CRC is found wrong.
constexpr const char* kTarGzScript =
    "import gzip, io, sys, tarfile\nbuf = io.BytesIO()\n"
    "with tarfile.open(fileobj=buf, mode='w') as t: t.add('a.txt')\n"
    "tar = buf.getvalue()\n"
    "open(sys.argv[1], 'wb').write(gzip.compress(tar[:280000], 0) + gzip.compress(tar[280000:]))";

const DamagedFormat kFormats[] = {
    {"Zip",
     [](const fs::path& f) {
       return Run(f, "d.zip", {"zip", "-0", "-q", "d.zip", "a.txt"});
     }},
    {"SevenZip",
     [](const fs::path& f) {
       return Run(f, "d.7z", {"7z", "a", "-mx0", "d.7z", "a.txt"});
     }},
    {"TarGz",
     [](const fs::path& f) {
       return Run(f, "d.tar.gz", {"python3", "-c", kTarGzScript, "d.tar.gz"});
     },
     6000, false},
    {"Rar4",
     [](const fs::path& f) {
       WriteRar((f / "d.rar").string(), {{"a.txt", ReadFileText(f / "a.txt")}});
       return (f / "d.rar").string();
     }},
    {"Rar5Volumes",
     [](const fs::path& f) {
       RarOptions options;
       options.format = RarFormat::Rar5;
       return WriteRarVolumes((f / "d").string(), RarVolumeNaming::PartN, 20,
                              {{"a.txt", ReadFileText(f / "a.txt")}}, options)
           .front();
     }},
    {"Ace",
     [](const fs::path& f) {
       WriteAce((f / "d.ace").string(),
                {{"a.txt", ReadFileText(f / "a.txt"), false, AceMethod::Stored}});
       return (f / "d.ace").string();
     }},
    {"Arj",
     [](const fs::path& f) {
       return Run(f, "d.arj", {"arj", "a", "-m0", "-y", "d.arj", "a.txt"});
     }},
};

class KeepBrokenTest : public ArjTest, public ::testing::WithParamInterface<DamagedFormat> {
 protected:
  // The archive with the first byte of a.txt's data flipped.
  std::string WriteDamaged() {
    const fs::path folder = PathOf("archive");
    fs::create_directories(folder);
    std::string data;
    for (int copy = 0; copy < GetParam().copies; ++copy) data += kData;
    WriteFileText(folder / "a.txt", data);
    const std::string archive = GetParam().write(folder);
    std::string bytes = ReadFileText(archive);
    const size_t at = bytes.find(kData.substr(0, 10));
    EXPECT_NE(at, std::string::npos);
    bytes[at] ^= 0x20;
    WriteFileText(archive, bytes);
    return archive;
  }
  std::string Out(const std::string& name) const { return PathOf("out/" + name); }
};

TEST_P(KeepBrokenTest, ADamagedEntryLeavesNothingUnlessKeptBesideWhatIsThere) {
  const std::string archive = WriteDamaged();
  ExtractInto({archive});
  EXPECT_EQ(TreeOf(PathOf("out")), std::vector<std::string>{});
  // The arj utility removes a file that fails its CRC itself, and its own window says so.
  const std::vector<std::string> plain = MessageTexts();
  EXPECT_LE(plain.size(), 1u);
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);

  SetSetting("General", "Keep broken files", "1");
  WriteFileText(Out("a.txt.damaged"), "already there");
  dialogs.messages.clear();
  ExtractInto({archive});
  EXPECT_EQ(TreeOf(PathOf("out")),
            (std::vector<std::string>{"a.txt.damaged", "a.txt.damaged (2)"}));
  EXPECT_EQ(ReadFileText(Out("a.txt.damaged")), "already there");
  std::string flipped = ReadFileText(PathOf("archive/a.txt"));
  flipped[0] ^= 0x20;
  const std::string kept = ReadFileText(Out("a.txt.damaged (2)"));
  EXPECT_FALSE(kept.empty());
  EXPECT_EQ(kept, GetParam().keptWhole ? flipped : flipped.substr(0, kept.size()));
  const std::string keptText = " The damaged file was kept as \"a.txt.damaged (2)\".";
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.ends_with(keptText)) << dialogs.messages[0].text;
  if (!plain.empty()) {
    EXPECT_EQ(dialogs.messages[0].text, plain[0] + keptText);
  }
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, KeepBrokenTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessaly::testing
