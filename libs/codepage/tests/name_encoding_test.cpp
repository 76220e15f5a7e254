#include "name_encoding.h"

#include <iconv.h>

#include <gtest/gtest.h>

namespace {

// The names as a program on that system stored them.
std::vector<std::string> Encoded(const std::vector<std::string>& names, const char* encoding) {
  std::vector<std::string> out;
  for (std::string name : names) {
    const iconv_t cd = iconv_open(encoding, "UTF-8");
    char buffer[512];
    char *in = name.data(), *at = buffer;
    size_t inLeft = name.size(), outLeft = sizeof buffer;
    EXPECT_NE(iconv(cd, &in, &inLeft, &at, &outLeft), static_cast<size_t>(-1)) << name;
    iconv_close(cd);
    out.emplace_back(buffer, at);
  }
  return out;
}

struct DetectionCase {
  const char* label;
  const char* storedIn;
  std::vector<std::string> names;
};

// Detection may pick an equivalent encoding: what counts is that every name reads right.
TEST(NameEncoding, DetectionReadsEveryNameRight) {
  const DetectionCase cases[] = {
      {"Russian DOS", "CP866", {"Отчёт за март.docx", "Фотографии/лето.jpg"}},
      {"Russian Windows", "CP1251", {"Отчёт за март.docx", "Фотографии/лето.jpg"}},
      {"Russian Unix", "KOI8-R", {"Отчёт за март.docx", "Фотографии/лето.jpg"}},
      {"Greek", "CP1253", {"Έγγραφα/σημειώσεις.txt", "φωτογραφία.jpg"}},
      {"Polish DOS", "CP852", {"Dokumenty/zażółć gęślą jaźń.txt", "Łódź.jpg"}},
      {"Polish Windows", "CP1250", {"Dokumenty/zażółć gęślą jaźń.txt", "Łódź.jpg"}},
      {"Western DOS", "CP850", {"Café/résumé.doc", "Übersicht.xls"}},
      {"Western Windows", "CP1252", {"Café/résumé.doc", "Übersicht.xls", "Señor.txt"}},
      {"Japanese", "CP932", {"日本語のファイル.txt", "写真/東京.jpg"}},
      {"Chinese simplified", "CP936", {"中文文件.txt", "照片/北京.jpg"}},
      {"Chinese traditional", "CP950", {"繁體中文檔案.txt", "照片/臺北.jpg"}},
      {"Korean", "CP949", {"한국어 파일.txt", "사진/서울.jpg"}},
  };
  for (const DetectionCase& row : cases) {
    std::vector<std::string> stored = Encoded(row.names, row.storedIn);
    stored.push_back("plain.txt");
    const std::string found = codepage::detect_encoding(stored, "CP437");
    for (size_t i = 0; i < row.names.size(); ++i) {
      EXPECT_EQ(codepage::decode_name(stored[i], found), row.names[i])
          << row.label << " read as " << found;
    }
  }
}

TEST(NameEncoding, AmbiguousOrUtf8NamesKeepTheDefault) {
  EXPECT_EQ(codepage::detect_encoding({"READ\x8E.TXT", "a.txt"}, "CP437"), "CP437");
  EXPECT_EQ(codepage::detect_encoding({"\x82t\x82.txt"}, "CP437"), "CP437");
  EXPECT_EQ(codepage::detect_encoding({"Отчёт.txt", "plain"}, "CP437"), "CP437");
}

TEST(NameEncoding, UndecodableBytesStillGiveAName) {
  // 0x80 is no character of Shift-JIS; 0x81 0x20 is a lead byte without its trail.
  EXPECT_EQ(codepage::decode_name("a\x80z", "CP932"), "a\xC3\x87z");
  EXPECT_EQ(codepage::decode_name("\x81 b", "CP932"), "\xC3\xBC b");
  EXPECT_FALSE(codepage::decodes_cleanly("\x81 b", "CP932"));
}

TEST(NameEncoding, NamesAndAliasesAreCanonical) {
  EXPECT_EQ(codepage::canonical_encoding("cp866"), "CP866");
  EXPECT_EQ(codepage::canonical_encoding("Shift_JIS"), "CP932");
  EXPECT_EQ(codepage::canonical_encoding("koi8-r"), "KOI8-R");
  EXPECT_EQ(codepage::canonical_encoding("UTF-16"), "");
}

}  // namespace
