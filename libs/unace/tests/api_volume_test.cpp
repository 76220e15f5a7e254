// Volume sets: extraction follows the set from its first volume and joins the parts
// of split entries, whichever volume it was given.
#include <gtest/gtest.h>

#include "api_test_support.h"
#include "archive_reader.h"

namespace unace::testing {
namespace {

TEST(AceVolumeNames, FollowTheArchiversScheme) {
  EXPECT_EQ(volume_name("/d/set.ace", 1, false), "/d/set.c00");
  EXPECT_EQ(volume_name("/d/SET.ACE", 2, true), "/d/SET.C01");
  EXPECT_EQ(volume_name("/d/set.c41", 100, false), "/d/set.c99");
  EXPECT_EQ(volume_name("/d/set.exe", 101, false), "/d/set.100");
  EXPECT_EQ(volume_name("/d.x/set", 1, false), "/d.x/set.c00");
}

class WrittenSet : public ApiTest {
 protected:
  const std::string big = RandomBytes(5, 30000);
  const std::vector<std::string> volumes =
      WriteAceVolumes(temp / "set", 12000,
                      {AceFolder("d"),
                       {"d/small.txt", "small", false, AceMethod::Stored},
                       {"d/big.txt", big, false, AceMethod::Stored},
                       {"after.txt", "after the split", false, AceMethod::Lz77}});
};

TEST_F(WrittenSet, ExtractingALaterVolumeStartsAtTheFirstAndJoinsTheParts) {
  ASSERT_GE(volumes.size(), 3u);
  const WalkResult walk = Walk(volumes.back(), ACE_OM_EXTRACT, ACE_EXTRACT, out);
  ASSERT_EQ(walk.entries.size(), 4u);
  for (const auto& entry : walk.entries) EXPECT_EQ(entry.code, ACE_SUCCESS) << entry.name;
  EXPECT_EQ(walk.endCode, ACE_END_ARCHIVE);
  EXPECT_TRUE(ReadFileText(out + "/d/big.txt") == big);
  EXPECT_EQ(ReadFileText(out + "/after.txt"), "after the split");
}

TEST_F(WrittenSet, WithoutItsFirstVolumeAContinuedPartCannotBeUnpacked) {
  ASSERT_GE(volumes.size(), 3u);
  fs::remove(volumes[0]);
  const WalkResult walk = Walk(volumes.back(), ACE_OM_EXTRACT, ACE_TEST);
  ASSERT_FALSE(walk.entries.empty());
  EXPECT_EQ(walk.entries.front().name, "d/big.txt");
  EXPECT_EQ(walk.entries.front().code, ACE_BAD_DATA);
  EXPECT_EQ(walk.entries.back().name, "after.txt");
  EXPECT_EQ(walk.entries.back().code, ACE_SUCCESS);
}

}  // namespace
}  // namespace unace::testing
