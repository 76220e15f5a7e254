// How the final code is formed: the combinations no call here reaches as a table
// (the others come from the password, method and name tests), then whole calls.
#include <gtest/gtest.h>

#include "test_support.h"
#include "wiz_codes.h"

namespace unzip::test {
namespace {

struct CodeCase {
  const char* what;
  int32_t worst;
  ExtractTally tally;
  std::size_t unmatched;
  int32_t expected;
};

TEST(WizCodeTable, FinalExtractCode) {
  const CodeCase cases[] = {
      {"error beats unsupported", PK_ERR, {1, 1, 0}, 0, PK_ERR},
      {"unmatched include beats warnings", PK_WARN, {1, 0, 0}, 1, PK_FIND},
      {"unmatched include loses to errors", PK_ERR, {1, 0, 0}, 1, PK_ERR},
      {"unmatched include with unsupported", PK_OK, {1, 1, 0}, 1, PK_FIND},
  };
  for (const CodeCase& c : cases)
    EXPECT_EQ(final_extract_code(c.worst, c.tally, c.unmatched), c.expected) << c.what;
  EXPECT_EQ(final_list_code(PK_WARN, 0), PK_FIND);
  EXPECT_EQ(final_list_code(PK_WARN, 2), PK_WARN);
}

using WizCodes = WizTest;

TEST_F(WizCodes, UnmatchedIncludeGivesElevenExcludesNever) {
  write_zip("a.zip", {{"a.txt", "a"}, {"d/b.txt", "b"}});
  call_.includes = {"a.txt", "b.txt"};
  call_.excludes = {"nothing*"};
  EXPECT_EQ(extract("a.zip"), PK_FIND);
  EXPECT_EQ(recorder_.chunks,
            chunks({extracting("out/a.txt"), "\n", "caution: filename not matched:  b.txt\n",
                    "caution: excluded filename not matched:  nothing*\n"}));

  Recorder excluded_only;
  call_.includes.clear();
  call_.options.noflag = 1;
  EXPECT_EQ(call_.run(excluded_only), PK_OK);
  EXPECT_EQ(excluded_only.chunks.back(), "caution: excluded filename not matched:  nothing*\n");

  Recorder nothing_selected;
  call_.excludes = {"*"};
  EXPECT_EQ(call_.run(nothing_selected), PK_FIND);
  EXPECT_TRUE(nothing_selected.chunks.empty());
}

TEST_F(WizCodes, ServiceCallbackStopsTheCall) {
  write_zip("a.zip", {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
  call_.includes = {"*", "never"};
  recorder_.stop_at_service_call = 1;
  EXPECT_EQ(extract("a.zip"), IZ_CTRLC);
  EXPECT_EQ(recorder_.service_calls.size(), 1u);
  EXPECT_EQ(recorder_.sounds, 1);
  EXPECT_EQ(recorder_.events.back(), "service");  // no caution chunk after the stop
  EXPECT_TRUE(fs::exists("out/a.txt"));
  EXPECT_FALSE(fs::exists("out/b.txt"));
}

// Stopping inside an entry is shown through the ZIP backend (EntryCancelTest).
TEST_F(WizCodes, ServiceIsPingedWhileALargeEntryIsWritten) {
  std::string big(700 * 1024, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 5);
  EXPECT_EQ(extract({{"big.bin", big, ZIP_CM_DEFLATE}, {"next.txt", "n"}}), PK_OK);
  ASSERT_EQ(recorder_.service_calls.size(), 4u);  // 256 KiB, 512 KiB, the end, next.txt
  EXPECT_EQ(recorder_.service_calls[0].name, "out/big.bin");
  EXPECT_EQ(recorder_.service_calls[0].size, big.size());
}

}  // namespace
}  // namespace unzip::test
