// ARJ volume sets as the header reader follows them: the next volume's name in both
// namings, and a file split over volumes joined from its parts, so that the check after
// extraction covers every byte. The corpus tests extract the corpus's sets end to end.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/arj/arj_headers.h"
#include "engine/arj/arj_placement.h"
#include "engine/arj/arj_staging.h"
#include "engine/arj_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

using ArjVolumesTest = ArjTest;

TEST(ArjVolumeNames, FollowTheUtilitysNumbering) {
  struct Case {
    const char* volume;
    bool alternate;
    const char* next;
  };
  for (const Case& c :
       {Case{"d.1/set.arj", false, "d.1/set.a01"}, Case{"set.a01", false, "set.a02"},
        Case{"set.A99", false, "set.100"}, Case{"set.100", false, "set.101"},
        Case{"d.1/SETX.ARJ", true, "d.1/S001.ARJ"}, Case{"S009.ARJ", true, "S010.ARJ"}}) {
    EXPECT_EQ(NextArjVolumeName(c.volume, c.alternate), c.next) << c.volume;
  }
}

TEST_F(ArjVolumesTest, AFileSplitOverVolumesIsCheckedOverEveryPart) {
  std::string content;
  for (int i = 0; i < 60000; ++i) content += static_cast<char>((i * 7919) >> 3);
  const std::string plain = MakeArj(PathOf("plain.arj"), {{"big.bin", content}}, {"-m0", "-v20K"});
  const std::string alternate =
      MakeArj(PathOf("SETX.ARJ"), {{"big.bin", content}}, {"-m0", "-v20K", "-ve"});
  ASSERT_TRUE(fs::exists(PathOf("plain.a02")));
  ASSERT_TRUE(fs::exists(PathOf("S002.ARJ")));
  const std::string out = PathOf("out") + "/";
  fs::create_directories(out);
  session.job.activeBackend = "arj";
  for (const std::string& archive : {plain, alternate}) {
    const ArjHeaders headers = ReadArjHeaders(archive);
    EXPECT_TRUE(headers.complete) << archive;
    const std::vector<ArjStoredFile> files = ArjStoredFiles(headers);
    ASSERT_EQ(files.size(), 1u) << archive;
    EXPECT_TRUE(files[0].whole);
    EXPECT_GE(files[0].parts.size(), 3u);
    EXPECT_EQ(files[0].size(), content.size());

    // A byte changed in the last part fails the check; the right bytes pass it.
    for (const bool damaged : {true, false}) {
      ArjStaging staging;
      ASSERT_TRUE(staging.Create(out));
      const std::optional<ArjStaging::ArchiveFolder> folder = staging.AddArchive(1, 0);
      ASSERT_TRUE(folder);
      std::string staged = content;
      if (damaged) staged[staged.size() - 10] ^= 0x20;
      WriteFileText(folder->base + "big.bin", staged);
      EXPECT_EQ(PlaceArjArchive(session, headers, *folder, out), !damaged) << archive;
    }
    EXPECT_EQ(ReadFileText(out + "big.bin"), content);
    fs::remove(out + "big.bin");
  }
  EXPECT_EQ(dialogs.messages.size(), 2u);

  // The same set through the job and the utility, its output hidden: with no one to
  // answer the next volume's question, the utility must not ask it.
  SetSetting("arj options", "auto overwrite", "");
  ExtractInto({plain});
  EXPECT_EQ(session.status.archiveLabel, kFinished);
  EXPECT_EQ(TreeOf(PathOf("out")), (std::vector<std::string>{"big.bin"}));
  EXPECT_EQ(ReadFileText(PathOf("out/big.bin")), content);
}

}  // namespace
}  // namespace tessaly::testing
