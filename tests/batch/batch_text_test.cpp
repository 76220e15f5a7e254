// How the batch runner reads a line: double quotes group, ">" redirects, and nothing
// else a shell would interpret has any meaning.
#include "batch/batch_text.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

std::vector<BatchCommand> Commands(const std::string& text) {
  const BatchParse parse = ParseBatch(text);
  EXPECT_EQ(parse.error, "") << text;
  return parse.commands;
}

TEST(BatchTextTest, UnquotedShellCharactersArePlainTextAndQuotesJoinWhatTouchesThem) {
  EXPECT_EQ(Commands("prog a;b\t$c `d` &e |f"),
            (std::vector<BatchCommand>{{{"prog", "a;b", "$c", "`d`", "&e", "|f"}, std::nullopt}}));
  EXPECT_EQ(Commands("prog a\"b c\"d \"\""),
            (std::vector<BatchCommand>{{{"prog", "ab cd", ""}, std::nullopt}}));
}

TEST(BatchTextTest, EchoOffBlankLinesAndLineEndsAreSkipped) {
  EXPECT_EQ(
      Commands("@echo off\r\none 1\r\n\r\n  \r\n@ECHO OFF\ntwo 2\r\n"),
      (std::vector<BatchCommand>{{{"one", "1"}, std::nullopt}, {{"two", "2"}, std::nullopt}}));
  EXPECT_TRUE(Commands("@echo off\r\n").empty());
  EXPECT_TRUE(Commands("").empty());
}

TEST(BatchTextTest, MalformedLinesAreRefusedWithTheirNumber) {
  EXPECT_EQ(ParseBatch("@echo off\r\nprog \"open").error, "line 2: a double quote is not closed");
  EXPECT_EQ(ParseBatch("prog >").error, "line 1: \">\" names no file");
  EXPECT_EQ(ParseBatch("prog >a >b").error, "line 1: more than one \">\"");
  EXPECT_EQ(ParseBatch(">out").error, "line 1: no program to run");
  EXPECT_TRUE(ParseBatch("ok\r\nprog \"open").commands.empty()) << "nothing of a bad file runs";
}

}  // namespace
}  // namespace tessaly
