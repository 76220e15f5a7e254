#include "settings/settings_document.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

using namespace std::string_literals;

struct NastyText {
  const char* name;
  std::string text;
};

const NastyText kNastyTexts[] = {
    {"empty", ""},
    {"newlines", "line one\nline two\r\nthree\r"},
    {"equals and brackets", "[a=b==c=]"},
    {"blanks and tabs", "  padded \t "},
    {"backslashes", "\\\\server\\share\\n\\"},
    {"NUL byte", "before\0after"s},
};

class EscapingTest : public ::testing::TestWithParam<NastyText> {};

TEST_P(EscapingTest, NamesAndValuesSurviveTheTextForm) {
  const std::string& nasty = GetParam().text;
  SettingsDocument written;
  written.SetValue(nasty, nasty, nasty);
  written.SetValue("Other", "key", nasty);

  SettingsDocument read;
  ASSERT_TRUE(ParseSettingsText(SettingsText(written), read)) << SettingsText(written);
  ASSERT_EQ(read.Sections().size(), 2u);
  EXPECT_EQ(read.Sections()[0].name, nasty);
  EXPECT_EQ(read.Value(nasty, nasty), nasty);
  EXPECT_EQ(read.Value("Other", "key"), nasty);
}

INSTANTIATE_TEST_SUITE_P(Texts, EscapingTest, ::testing::ValuesIn(kNastyTexts),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(SettingsDocumentTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  SettingsDocument document;
  document.SetValue("Favorite folders", "Folder0", "/a");
  document.SetValue("Favorite Folders", "folder0", "/b");
  document.SetValue("FAVORITE FOLDERS", "folder1", "/c");

  ASSERT_EQ(document.Sections().size(), 1u);
  const SettingsSection& section = document.Sections()[0];
  EXPECT_EQ(section.name, "Favorite folders");
  ASSERT_EQ(section.values.size(), 2u);
  EXPECT_EQ(section.values[0].key, "Folder0");
  EXPECT_EQ(section.values[0].value, "/b");
  EXPECT_EQ(document.Value("favorite FOLDERS", "FOLDER1"), "/c");
  EXPECT_EQ(document.Value("Favorite Folders", "folder2"), std::nullopt);

  document.SetValue("Ärger", "k", "1");  // only ASCII letters fold
  EXPECT_EQ(document.Value("ärger", "k"), std::nullopt);
  EXPECT_EQ(document.Value("Ärger", "K"), "1");
}

TEST(SettingsDocumentTest, ReadsHandWrittenLayout) {
  const std::string text =
      "top = level\r\n"
      "\n"
      "  [General]  \r\n"
      "  First time  =  0  \n"
      "Path=/a b/c\n"
      "=unnamed\n"
      "[Empty]\n"
      "[general]\n"
      "path = /later\n"
      "[]\n"
      "x=y";
  SettingsDocument document;
  ASSERT_TRUE(ParseSettingsText(text, document));
  EXPECT_EQ(document.Value("", "top"), "level");
  EXPECT_EQ(document.Value("", "x"), "y");
  EXPECT_EQ(document.Value("General", "First time"), "0");
  EXPECT_EQ(document.Value("General", "Path"), "/later");
  EXPECT_EQ(document.Value("General", ""), "unnamed");
  ASSERT_EQ(document.Sections().size(), 3u);
  EXPECT_EQ(document.Sections()[2].name, "Empty");
  EXPECT_TRUE(document.Sections()[2].values.empty());
}

TEST(SettingsDocumentTest, MalformedTextLeavesTheDocumentEmpty) {
  const char* const kMalformed[] = {
      "[General]\njust words\n",
      "[General\nkey=value\n",
      "key=bad escape \\q\n",
      "key=lone backslash at the end \\\n",
  };
  for (const char* text : kMalformed) {
    SettingsDocument document;
    document.SetValue("Stale", "k", "v");
    EXPECT_FALSE(ParseSettingsText(text, document)) << text;
    EXPECT_TRUE(document.Sections().empty()) << text;
  }
}

}  // namespace
}  // namespace tessaly
