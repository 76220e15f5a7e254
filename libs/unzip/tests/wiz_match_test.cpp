#include "wiz_match.h"

#include <gtest/gtest.h>

namespace unzip {
namespace {

struct MatchCase {
  const char* pattern;
  const char* name;
  bool ignore_case;
  bool expected;
};

TEST(WizMatch, PatternTable) {
  const MatchCase cases[] = {
      {"b.txt", "d/b.txt", false, false},
      {"*b.txt", "d/b.txt", false, true},
      {"*.txt", "d/b.txt", false, true},
      {"d/*", "d/b.txt", false, true},
      {"?/b.txt", "d/b.txt", false, true},
      {"*", "d/", false, true},
      {"d", "d/", false, false},
      {"d", "d/b.txt", false, false},
      {"d/", "d/", false, true},
      {"d/", "d/b.txt", false, false},
      {"a?c", "a/c", false, true},
      {"[abc].txt", "b.txt", false, true},
      {"[a-c].txt", "d.txt", false, false},
      {"[!a-c].txt", "d.txt", false, true},
      {"[^a-c].txt", "a.txt", false, false},
      {"[\\]].txt", "].txt", false, true},
      {"[a", "a", false, false},
      {"a]", "a]", false, true},
      {"a\\.txt", "a.txt", false, true},
      {"*\\.txt", "a.txt", false, false},
      {"*\\.txt", "a\\.txt", false, true},
      {"a[1].txt", "a1.txt", false, true},
      {"a[1].txt", "a[1].txt", false, false},
      {"*a*b", "xaxxb", false, true},
      {"*a*b", "xbxxa", false, false},
      {"*.TXT", "a.txt", false, false},
      {"*.TXT", "a.txt", true, true},
      {"[A-C]*", "b.bin", true, true},
      {"dir\\\\f.txt", "dir\\f.txt", false, true},
      {"dir/f.txt", "dir\\f.txt", false, false},
      {"?.txt", "\xc3\xa9.txt", false, true},
      {"[\xc3\xa0-\xc3\xbf].txt", "\xc3\xa9.txt", false, true},
      {"\xc3\x89.txt", "\xc3\xa9.txt", true, false},
      {"", "", false, true},
      {"", "a", false, false},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(wildcard_match(c.pattern, c.name, c.ignore_case), c.expected)
        << "pattern \"" << c.pattern << "\" name \"" << c.name << "\"";
  }
}

TEST(WizMatch, ManyStarsOnALongNameStayFast) {
  const std::string name(20000, 'a');
  EXPECT_FALSE(wildcard_match("*a*a*a*a*a*a*a*a*a*a*[b]", name, false));
  EXPECT_TRUE(wildcard_match("*a*a*a*a*a*a*a*a*a*a*?", name, false));
}

TEST(WizMatch, SelectionRecordsWhichPatternsMatched) {
  Selection selection({"*.txt", "none*"}, {"d/*", "never"}, false);
  EXPECT_TRUE(selection.selects("a.txt"));
  EXPECT_FALSE(selection.selects("d/b.txt"));
  EXPECT_FALSE(selection.selects("c.bin"));
  EXPECT_EQ(selection.unmatched_includes(), std::vector<std::string>{"none*"});
  EXPECT_EQ(selection.unmatched_excludes(), std::vector<std::string>{"never"});
}

TEST(WizMatch, ExcludesOnlyCountForSelectedNames) {
  Selection selection({"a*"}, {"b*"}, false);
  EXPECT_FALSE(selection.selects("b.txt"));
  EXPECT_EQ(selection.unmatched_excludes(), std::vector<std::string>{"b*"});
  Selection everything({}, {}, false);
  EXPECT_TRUE(everything.selects("anything/at/all"));
}

}  // namespace
}  // namespace unzip
