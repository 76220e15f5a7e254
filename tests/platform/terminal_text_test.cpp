// TerminalText shows a program's output the way a terminal would for a program that
// writes lines, rewrites its progress with "\r" and "\b", and sends escape codes.
#include "platform/terminal_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly::testing {
namespace {

// Every line shown, the cursor's line last, after feeding the pieces in order.
std::vector<std::string> Shown(const std::vector<std::string>& pieces) {
  TerminalText text;
  std::vector<std::string> lines;
  for (const std::string& piece : pieces) {
    text.Feed(piece);
    for (std::string& line : text.TakeFinishedLines()) lines.push_back(std::move(line));
  }
  lines.push_back(text.CurrentLine());
  return lines;
}

using Lines = std::vector<std::string>;

TEST(TerminalText, CarriageReturnAndBackspaceOverwriteInPlace) {
  EXPECT_EQ(Shown({"Extracting a.txt   10%\rExtracting a.txt  100%\r\n"}),
            Lines({"Extracting a.txt  100%", ""}));
  EXPECT_EQ(Shown({"\b\bab"}), Lines({"ab"}));
  EXPECT_EQ(Shown({"yes\b\b\b   \b\b\bno"}), Lines({"no "}));
  EXPECT_EQ(Shown({"a\tb\r\n", "12345678\tc"}), Lines({"a       b", "12345678        c"}));
  EXPECT_EQ(Shown({"one\ntwo\r\nthree"}), Lines({"one", "two", "three"}));
}

TEST(TerminalText, ControlCharactersAndEscapeSequencesShowNothing) {
  EXPECT_EQ(Shown({"ding\a\x01\x7f!"}), Lines({"ding!"}));
  EXPECT_EQ(Shown({"\x1b[1;31mred\x1b[0m \x1b[2K\x1b[?25lplain"}), Lines({"red plain"}));
  EXPECT_EQ(Shown({"\x1b]0;a title\x07x\x1b]2;other\x1b\\y"}), Lines({"xy"}));
  // A sequence cut between two reads is still swallowed whole.
  EXPECT_EQ(Shown({"a\x1b", "[3", "2mb\x1b]0;t", "itle\x07", "c"}), Lines({"abc"}));
}

TEST(TerminalText, Utf8CharactersTakeOneColumnEvenWhenCutBetweenReads) {
  EXPECT_EQ(Shown({"\xc3\xa9t\xc3", "\xa9\r\xe2\x82", "\xac"}), Lines({"\xe2\x82\xact\xc3\xa9"}));
  EXPECT_EQ(Shown({"\xf0\x9f\x93\xa6 box"}), Lines({"\xf0\x9f\x93\xa6 box"}));
  // Broken sequences show one replacement character each, and the text goes on.
  EXPECT_EQ(Shown({"a\x80z\xc3\r\n\xff"}), Lines({"a\xef\xbf\xbdz\xef\xbf\xbd", "\xef\xbf\xbd"}));
}

}  // namespace
}  // namespace tessaly::testing
