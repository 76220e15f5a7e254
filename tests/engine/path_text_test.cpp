// The text helpers of the engine: path parts and command-line tokens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/driver.h"
#include "engine/selection.h"

namespace tessaly {
namespace {

struct ParsePathCase {
  const char* path;
  const char* drive;
  const char* folder;
  const char* name;
  const char* extension;
};

TEST(ParsePathTest, SplitsIntoDriveFolderNameAndExtension) {
  const ParsePathCase cases[] = {
      {"/x/a.b.zip", "", "/x/", "a", ".b"},
      {"/a/b/", "", "/a/", "b/", ""},
      {"/dir.v2/file", "", "/dir.v2/", "file", ""},
      {"C:/a/b.zip", "C:", "/a/", "b", ".zip"},
  };
  for (const ParsePathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ParsePath(c.path, 0), c.drive);
    EXPECT_EQ(ParsePath(c.path, 1), c.folder);
    EXPECT_EQ(ParsePath(c.path, 2), c.name);
    EXPECT_EQ(ParsePath(c.path, 3), c.extension);
  }
}

TEST(SplitCommandLineTest, SplitsAtBlanksAndTabsAndKeepsQuotedRunsWhole) {
  using Tokens = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("a.zip  b.zip\tc.zip"), (Tokens{"a.zip", "b.zip", "c.zip"}));
  EXPECT_EQ(SplitCommandLine("\"/my dir/a b.zip\" c.zip"), (Tokens{"/my dir/a b.zip", "c.zip"}));
  EXPECT_EQ(SplitCommandLine("/x/\"a b\".zip"), (Tokens{"/x/a b.zip"}));
  EXPECT_EQ(SplitCommandLine("\"unclosed run.zip"), (Tokens{"unclosed run.zip"}));
  EXPECT_TRUE(SplitCommandLine(" \t  \t").empty());
}

}  // namespace
}  // namespace tessaly
