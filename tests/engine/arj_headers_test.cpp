// The ARJ header reader that tells, before the utility runs, whether an archive holds
// garbled entries: archives made by the installed utility (plain, garbled, a garbled
// entry behind plain ones, behind a self-extractor's stub), the corpus, and damage.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/arj/arj_headers.h"
#include "engine/arj_fixture.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kArjCorpus = fs::path(TESSALY_CORPUS_DIR) / "arj";

class ArjHeadersTest : public ArjTest {};

TEST_F(ArjHeadersTest, GarbledEntriesAreFoundWhereverTheyStand) {
  const std::string plain =
      MakeArj(PathOf("plain.arj"), {{"a.txt", std::string(5000, 'a')}, {"d/b.txt", "b"}});
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(plain));
  EXPECT_TRUE(ArjArchiveHasGarbledEntry(MakeArj(PathOf("locked.arj"), {{"a.txt", "a"}}, {"-gpw"})));

  // A garbled entry added after plain ones: the walk has to step over their data.
  fs::create_directories(PathOf("more"));
  WriteFileText(PathOf("more/late.txt"), "late");
  ASSERT_EQ(RunArj({"a", "-gpw", plain, "late.txt"}, PathOf("more")), 0);
  EXPECT_TRUE(ArjArchiveHasGarbledEntry(plain));

  const std::string sfx = PathOf("locked.exe");
  fs::create_directories(PathOf("sfx"));
  WriteFileText(PathOf("sfx/s.txt"), "s");
  ASSERT_EQ(RunArj({"a", "-je", "-gpw", sfx, "s.txt"}, PathOf("sfx")), 0);
  ASSERT_GT(fs::file_size(sfx), 10000u) << "a stub stands before the archive";
  EXPECT_TRUE(ArjArchiveHasGarbledEntry(sfx));
}

TEST_F(ArjHeadersTest, TheCorpusGarbledArchivesAndNoOthers) {
  for (const char* name :
       {"Arj.encrypted.arj", "p.arj", "ARJM1.ARJ", "Arj.store.split.arj", "wrongcrc32.arj"}) {
    ASSERT_TRUE(fs::is_regular_file(kArjCorpus / name))
        << "no corpus archive at " << kArjCorpus / name;
  }
  for (const char* name : {"Arj.encrypted.arj", "p.arj"}) {
    EXPECT_TRUE(ArjArchiveHasGarbledEntry((kArjCorpus / name).string())) << name;
  }
  for (const char* name : {"ARJM1.ARJ", "Arj.store.split.arj", "wrongcrc32.arj"}) {
    EXPECT_FALSE(ArjArchiveHasGarbledEntry((kArjCorpus / name).string())) << name;
  }
}

TEST_F(ArjHeadersTest, DamageEndsTheWalkWithoutAFinding) {
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("absent.arj")));
  std::string signatures;
  for (int i = 0; i < 20000; ++i) signatures += std::string("\x60\xea\x1e\x00", 4);
  WriteFileText(PathOf("signatures.arj"), signatures);
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("signatures.arj")));

  const std::string locked = MakeArj(PathOf("locked.arj"), {{"a.txt", "a"}}, {"-gpw"});
  const std::string bytes = ReadFileText(locked);
  // The main header: id, size, the header, its CRC and the empty extended header.
  const size_t mainEnd =
      4 + (static_cast<unsigned char>(bytes[2]) | static_cast<unsigned char>(bytes[3]) << 8) + 4 +
      2;
  WriteFileText(PathOf("cut.arj"), bytes.substr(0, mainEnd + 10));
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("cut.arj")));
  std::string badCrc = bytes;
  badCrc[mainEnd + 4 + 8] ^= 0x01;  // the local header's date
  WriteFileText(PathOf("bad-crc.arj"), badCrc);
  EXPECT_FALSE(ArjArchiveHasGarbledEntry(PathOf("bad-crc.arj")));
}

}  // namespace
}  // namespace tessaly::testing
