#include "settings/settings_document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(SettingsDocumentTest, NamesAndValuesSurviveTheTextForm) {
  const std::string kNastyTexts[] = {
      "",
      "line one\nline two\r\nthree\r",
      "[a=b==c=]",
      "  padded \t ",
      "\\\\server\\share\\n\\",
      "before\0after"s,
      "; not a comment #",
      "#1",
  };
  for (const std::string& nasty : kNastyTexts) {
    SettingsDocument written;
    written.SetValue(nasty, nasty, nasty);
    written.SetValue("Other", "key", nasty);

    const SettingsDocument read = ParseSettingsText(SettingsText(written));
    SCOPED_TRACE(SettingsText(written));
    ASSERT_EQ(read.Sections().size(), 2u);
    EXPECT_EQ(read.Sections()[0].name, nasty);
    EXPECT_EQ(read.Value(nasty, nasty), nasty);
    EXPECT_EQ(read.Value("Other", "key"), nasty);
  }
}

TEST(SettingsDocumentTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  SettingsDocument document;
  document.SetValue("Favorite folders", "Folder0", "/a");
  document.SetValue("Favorite Folders", "folder0", "/b");
  document.SetValue("FAVORITE FOLDERS", "folder1", "/c");

  ASSERT_EQ(document.Sections().size(), 1u);
  const SettingsSection& section = document.Sections()[0];
  EXPECT_EQ(section.name, "Favorite folders");
  ASSERT_EQ(section.lines.size(), 2u);
  EXPECT_EQ(section.lines[0].key, "Folder0");
  EXPECT_EQ(section.lines[0].value, "/b");
  EXPECT_EQ(document.Value("favorite FOLDERS", "FOLDER1"), "/c");
  EXPECT_EQ(document.Value("Favorite Folders", "folder2"), std::nullopt);

  document.SetValue("Ärger", "k", "1");  // only ASCII letters fold
  EXPECT_EQ(document.Value("ärger", "k"), std::nullopt);
  EXPECT_EQ(document.Value("Ärger", "K"), "1");
}

// Layout goes, settings merge by name, and the lines that are no settings stay where
// they were: what came before the first header stays on top.
TEST(SettingsDocumentTest, HandWrittenTextIsWrittenBackTidiedUp) {
  const std::string text =
      "; settings by hand\n"
      "top = level\r\n"
      "\n"
      "  [General]  \r\n"
      "  First time  =  0  \n"
      "Path=/a b/c\n"
      "=unnamed\n"
      "[Empty]\n"
      "[general]\n"
      "path = /later\n"
      "  # was /earlier\n"
      "[]\n"
      "x=y";
  const SettingsDocument document = ParseSettingsText(text);
  EXPECT_EQ(document.Value("General", ""), "unnamed");
  EXPECT_EQ(document.Value("GENERAL", "path"), "/later");
  EXPECT_EQ(document.Value("", "# was /earlier"), std::nullopt);
  EXPECT_EQ(SettingsText(document),
            "; settings by hand\n"
            "top=level\n"
            "x=y\n"
            "\n"
            "[General]\n"
            "First time=0\n"
            "Path=/later\n"
            "=unnamed\n"
            "  # was /earlier\n"
            "\n"
            "[Empty]\n");
}

// Saving rewrites the whole file: whatever it holds, a second round writes the first
// round's text again, so the file never grows from saves alone.
TEST(SettingsDocumentTest, GarbageSettlesAfterOneRewrite) {
  const std::string kBytes = "ab[]=\\;# \t\r\n\nsn0\x01\xff\0"s;
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string garbage(random() % 48, ' ');
    for (char& c : garbage) c = kBytes[random() % kBytes.size()];
    const std::string once = SettingsText(ParseSettingsText(garbage));
    ASSERT_EQ(SettingsText(ParseSettingsText(once)), once) << garbage;
  }
}

}  // namespace
}  // namespace tessaly
