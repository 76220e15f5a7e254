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
      {"?/b.txt", "d/b.txt", false, true},
      {"d", "d/", false, false},
      {"[abc].txt", "b.txt", false, true},
      {"[!a-c].txt", "d.txt", false, true},
      {"[\\]].txt", "].txt", false, true},
      {"[a", "a", false, false},
      {"a]", "a]", false, true},
      {"a\\.txt", "a.txt", false, true},
      {"*\\.txt", "a.txt", false, false},
      {"*\\.txt", "a\\.txt", false, true},
      {"*a*b", "xaxxb", false, true},
      {"*.TXT", "a.txt", true, true},
      {"dir\\\\f.txt", "dir\\f.txt", false, true},
      {"?.txt", "\xc3\xa9.txt", false, true},
      {"[\xc3\xa0-\xc3\xbf].txt", "\xc3\xa9.txt", false, true},
      {"\xc3\x89.txt", "\xc3\xa9.txt", true, false},
      {"", "", false, true},
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

}  // namespace
}  // namespace unzip
