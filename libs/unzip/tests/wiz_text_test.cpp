// The name filter every chunk and listed name goes through.
#include <gtest/gtest.h>

#include "wiz_text.h"

namespace unzip {
namespace {

TEST(WizText, FilterShowsWhatCannotBePrinted) {
  EXPECT_EQ(filter_name("a\x01z\x1f\x7f"), "a^Az^_?");
  EXPECT_EQ(filter_name("\xd1\x82\xd0\xb5\xd1\x81\xd1\x82.txt"),
            "\xd1\x82\xd0\xb5\xd1\x81\xd1\x82.txt");
  EXPECT_EQ(filter_name("bad\xff\xc3(\xe2\x82"),
            "bad?"
            "?("
            "??");
  EXPECT_EQ(filter_name("\xed\xa0\x80"), "???");  // a surrogate is not valid UTF-8
}

TEST(WizText, FilterCutsLongNamesWithoutSplittingACharacter) {
  EXPECT_EQ(filter_name("abcdefgh", 8), "abcdefgh");
  EXPECT_EQ(filter_name("abcdefghi", 8), "abcde...");
  EXPECT_EQ(filter_name("abcd\xc3\xa9\xc3\xa9z", 8), "abcd...");
  EXPECT_EQ(filter_name(std::string(20000, 'x')).size(), kMessageNameLimit);
}

}  // namespace
}  // namespace unzip
