// Extract Here's decision: one top-level item goes beside the archive, several into a
// new folder, and a taken folder name gets the first free number.
#include "engine/extract_here.h"

#include <gtest/gtest.h>

#include <set>

namespace tessaly::testing {
namespace {

TEST(ExtractHere, OnlyOneTopLevelItemGoesBesideTheArchive) {
  struct Case {
    std::vector<std::string> names;
    bool ownFolder;
  };
  const Case cases[] = {
      {{"photos/", "photos/a.jpg", "photos/sub/b.jpg"}, false},
      {{"photos/a.jpg", "./photos/b.jpg", "/photos/c.jpg"}, false},
      {{"readme.txt"}, false},
      {{"photos/a.jpg", "notes.txt"}, true},
      {{"a.txt", "b.txt"}, true},
      {{"../a.txt"}, true},
      {{}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.names));
    EXPECT_EQ(NeedsOwnFolder(c.names), c.ownFolder);
  }
}

TEST(ExtractHere, ATakenFolderNameGetsTheFirstFreeNumber) {
  const std::set<std::string> taken = {"photos", "photos (2)", "set (3)"};
  const auto isTaken = [&taken](const std::string& name) { return taken.count(name) > 0; };
  EXPECT_EQ(FreeNumberedName("photos", isTaken), "photos (3)");
  EXPECT_EQ(FreeNumberedName("set", isTaken), "set");
}

}  // namespace
}  // namespace tessaly::testing
