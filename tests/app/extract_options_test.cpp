// The options of tessaly-extract; -d, --password=, --help and --version are also driven
// through the built program.
#include "app/extract_options.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using Args = std::vector<std::string>;

TEST(ExtractOptions, FlagsClusterAndMixWithArchives) {
  const ParsedOptions parsed =
      ParseExtractOptions({"a.zip", "-yn", "b.zip", "--per-archive-folder", "-ld", "x", "c.zip",
                           "--threads=8", "--keep-broken", "--scan-damaged"});
  ASSERT_EQ(parsed.error, "");
  const ExtractOptions& o = parsed.options;
  EXPECT_TRUE(o.assumeYes);
  EXPECT_TRUE(o.noOverwrite);
  EXPECT_TRUE(o.list);
  EXPECT_TRUE(o.perArchiveFolder);
  EXPECT_EQ(o.destination, "x");
  EXPECT_EQ(o.threads, 8);
  EXPECT_TRUE(o.keepBroken);
  EXPECT_TRUE(o.scanDamaged);
  EXPECT_EQ(o.archives, (Args{"a.zip", "b.zip", "c.zip"}));
}

TEST(ExtractOptions, ArchivesAfterDoubleDashAndLoneDashAreArchives) {
  const ParsedOptions parsed = ParseExtractOptions({"-y", "--", "-n.zip", "--to", "-"});
  ASSERT_EQ(parsed.error, "");
  EXPECT_TRUE(parsed.options.assumeYes);
  EXPECT_FALSE(parsed.options.noOverwrite);
  EXPECT_FALSE(parsed.options.destination);
  EXPECT_EQ(parsed.options.archives, (Args{"-n.zip", "--to", "-"}));
}

TEST(ExtractOptions, UsageErrors) {
  const std::pair<Args, std::string> cases[] = {
      {{"--list"}, "no ARCHIVE given"},
      {{"--bogus", "a.zip"}, "unknown option '--bogus'"},
      {{"-yx", "a.zip"}, "unknown option '-x'"},
      {{"a.zip", "-p"}, "option '-p' needs a value"},
      {{"--yes=1", "a.zip"}, "option '--yes' takes no value"},
      {{"--threads", "0", "a.zip"}, "option '--threads' needs a number from 1 to 8"},
      {{"--threads=12", "a.zip"}, "option '--threads' needs a number from 1 to 8"},
      {{"-d", "", "a.zip"}, "the destination folder must not be empty"},
      {{"a.zip", ""}, "an ARCHIVE name must not be empty"},
      {{"--here", "-d", "x", "a.zip"}, "option '--here' chooses each archive's folder itself"},
      {{"--per-archive-folder", "--here", "a.zip"},
       "option '--here' chooses each archive's folder itself"},
  };
  for (const auto& [args, error] : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    EXPECT_EQ(ParseExtractOptions(args).error, error);
  }
}

}  // namespace
}  // namespace tessaly
