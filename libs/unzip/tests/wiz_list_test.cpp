// List mode: the fields of each list callback, the totals, and what is never done.
#include <gtest/gtest.h>

#include <ctime>

#include "test_support.h"
#include "wiz_list.h"
#include "wiz_methods.h"

namespace unzip::test {
namespace {

struct FactorCase {
  uint64_t ucsize, csize;
  uint32_t factor;
};

TEST(WizListFields, FactorExamples) {
  const FactorCase cases[] = {
      {1092, 709, 35},
      {111690, 15023, 87},
      {26, 34, 31},
      {12, 60, 400},
      {50000, 50010, 0},
      {0, 0, 0},
      {5000000000ull, 5000000000ull / 4, 75},  // 64-bit sizes
      {1, UINT64_MAX, UINT32_MAX},             // clamped, not wrapped
  };
  for (const FactorCase& c : cases)
    EXPECT_EQ(compression_factor(c.ucsize, c.csize), c.factor) << c.ucsize << "/" << c.csize;
}

TEST(WizListFields, MethodTexts) {
  const std::pair<std::pair<uint16_t, uint16_t>, const char*> cases[] = {
      {{0, 0}, "Stored"},  {{8, 0}, "Defl:N"},  {{8, 2}, "Defl:X"},   {{8, 4}, "Defl:F"},
      {{8, 7}, "Defl:S"},  {{9, 0}, "Def64N"},  {{1, 0}, "Shrunk"},   {{2, 0}, "Reduce1"},
      {{5, 0}, "Reduce4"}, {{6, 0}, "Implode"}, {{10, 0}, "ImplDCL"}, {{12, 0}, "BZip2"},
      {{14, 0}, "LZMA"},   {{98, 0}, "PPMd"},   {{99, 0}, "Unk:099"}, {{93, 0}, "Unk:093"},
  };
  for (const auto& [method, text] : cases)
    EXPECT_EQ(method_list_text(method.first, method.second), text) << method.first;
}

class WizList : public WizTest {
 protected:
  void SetUp() override {
    WizTest::SetUp();
    call_.options.nvflag = 1;
  }
};

std::tm local(time_t when) {
  std::tm fields{};
  localtime_r(&when, &fields);
  return fields;
}

TEST_F(WizList, FieldsOfEachEntry) {
  const time_t when = 1700000000;  // even seconds: the DOS field keeps them
  const std::string text(1000, 'a');
  write_zip(
      "l.zip",
      {Entry("s.txt", "stored!").time(when), Entry("d/", "").time(when),
       Entry("d/z.txt", text, ZIP_CM_DEFLATE).time(when),
       Entry("aes.txt", "twenty-six bytes of text!!").encrypt(ZIP_EM_AES_128, "pw").time(when)});
  call_.zip = "l.zip";
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  EXPECT_TRUE(recorder_.chunks.empty());
  ASSERT_EQ(recorder_.listed.size(), 4u);
  const std::tm expected = local(when);
  for (const ListedEntry& e : recorder_.listed) {
    EXPECT_EQ(e.year, static_cast<uint32_t>(expected.tm_year + 1900)) << e.name;
    EXPECT_EQ(e.month, static_cast<uint32_t>(expected.tm_mon + 1)) << e.name;
    EXPECT_EQ(e.day, static_cast<uint32_t>(expected.tm_mday)) << e.name;
    EXPECT_EQ(e.hour, static_cast<uint32_t>(expected.tm_hour)) << e.name;
    EXPECT_EQ(e.minute, static_cast<uint32_t>(expected.tm_min)) << e.name;
    EXPECT_EQ(e.case_flag, ' ');
  }
  const ListedEntry& stored = recorder_.listed[0];
  EXPECT_EQ(stored.name, "s.txt");
  EXPECT_EQ(stored.method, "Stored");
  EXPECT_EQ(stored.ucsize, 7u);
  EXPECT_EQ(stored.csize, 7u);
  EXPECT_EQ(stored.crc, crc32_of("stored!"));
  EXPECT_EQ(stored.crypt, ' ');
  EXPECT_EQ(recorder_.listed[1].name, "d/");
  EXPECT_EQ(recorder_.listed[1].factor, 0u);
  const ListedEntry& deflated = recorder_.listed[2];
  EXPECT_EQ(deflated.method, "Defl:X");  // libzip deflates at its maximum level
  EXPECT_EQ(deflated.factor, compression_factor(1000, deflated.csize));
  EXPECT_GT(deflated.factor, 90u);
  const ListedEntry& aes = recorder_.listed[3];
  EXPECT_EQ(aes.method, "Unk:099");
  EXPECT_EQ(aes.crypt, 'E');
  EXPECT_EQ(aes.ucsize, 26u);
  EXPECT_EQ(aes.csize, 34u);  // 26 + salt 8 + check 2 + MAC 10, minus 12
  EXPECT_EQ(aes.factor, 31u);

  uint64_t compressed = 0, size = 0;
  for (const ListedEntry& e : recorder_.listed) {
    compressed += e.csize;
    size += e.ucsize;
  }
  EXPECT_EQ(call_.functions.TotalSizeComp, compressed);
  EXPECT_EQ(call_.functions.TotalSize, size);
  EXPECT_EQ(call_.functions.CompFactor, static_cast<int32_t>(compression_factor(size, compressed)));
  EXPECT_EQ(call_.functions.NumMembers, 4u);
}

TEST_F(WizList, ZipCryptoSizeAndUnixTime) {
  fs::create_directory("src");
  write_text("src/p.txt", "six b!");
  ASSERT_EQ(run_in(".", "touch -d @1600000123 src/p.txt && cd src && zip -q -P pw ../p.zip p.txt"),
            0);
  call_.zip = "p.zip";
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  ASSERT_EQ(recorder_.listed.size(), 1u);
  EXPECT_EQ(recorder_.listed[0].csize, 6u);  // 18 stored - 12
  EXPECT_EQ(recorder_.listed[0].factor, 0u);
  EXPECT_EQ(recorder_.listed[0].crypt, 'E');
  const std::tm expected = local(1600000123);
  EXPECT_EQ(recorder_.listed[0].minute, static_cast<uint32_t>(expected.tm_min));
  EXPECT_EQ(recorder_.listed[0].hour, static_cast<uint32_t>(expected.tm_hour));
  EXPECT_TRUE(recorder_.password_questions.empty());
}

TEST_F(WizList, SelectionTotalsAndQuietness) {
  write_zip("l.zip", {Entry("a.txt", "aaaa"), Entry("b.bin", "bb").note("file note\r\n")});
  call_.zip = "l.zip";
  call_.includes = {"*.bin"};
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  ASSERT_EQ(recorder_.listed.size(), 1u);
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{"list", "chunk", "chunk", "chunk"}));
  EXPECT_EQ(recorder_.chunks, chunks({"file note\n", "\n\n", ""}));
  EXPECT_EQ(call_.functions.NumMembers, 1u);
  EXPECT_EQ(call_.functions.TotalSize, 2u);

  Recorder none;
  call_.includes = {"nothing"};
  EXPECT_EQ(call_.run(none), PK_FIND);
  EXPECT_TRUE(none.chunks.empty());  // no caution chunk in list mode
  EXPECT_EQ(call_.functions.NumMembers, 0u);

  Recorder quiet;
  call_.includes.clear();
  call_.options.fQuiet = 2;
  EXPECT_EQ(call_.run(quiet), PK_OK);
  EXPECT_EQ(quiet.listed.size(), 2u);
  EXPECT_TRUE(quiet.chunks.empty());
  EXPECT_EQ(call_.functions.NumMembers, 0u);  // untouched at fQuiet 2
}

}  // namespace
}  // namespace unzip::test
