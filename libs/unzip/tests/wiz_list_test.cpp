// List mode: the fields of each list callback, the totals, and what is never done.
#include <gtest/gtest.h>

#include <ctime>

#include "test_support.h"
#include "wiz_list.h"

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

class WizList : public WizTest {
 protected:
  void SetUp() override {
    WizTest::SetUp();
    call_.options.nvflag = 1;
  }
};

TEST_F(WizList, FieldsOfEachEntry) {
  const time_t when = 1700000000;  // even seconds: the DOS field keeps them
  write_zip(
      "l.zip",
      {Entry("s.txt", "stored!").time(when), Entry("d/", "").time(when),
       Entry("d/z.txt", std::string(1000, 'a'), ZIP_CM_DEFLATE).time(when),
       Entry("aes.txt", "twenty-six bytes of text!!").encrypt(ZIP_EM_AES_128, "pw").time(when)});
  call_.zip = "l.zip";
  EXPECT_EQ(call_.run(recorder_), PK_OK);  // the recorder fails on any password question
  EXPECT_TRUE(recorder_.chunks.empty());
  ASSERT_EQ(recorder_.listed.size(), 4u);
  std::tm t{};
  localtime_r(&when, &t);
  std::vector<uint32_t> local;
  for (int field : {t.tm_mon + 1, t.tm_mday, t.tm_year + 1900, t.tm_hour, t.tm_min})
    local.push_back(static_cast<uint32_t>(field));
  for (const ListedEntry& e : recorder_.listed) {
    EXPECT_EQ((std::vector<uint32_t>{e.month, e.day, e.year, e.hour, e.minute}), local) << e.name;
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
  EXPECT_GT(deflated.factor, 90u);
  const ListedEntry& aes = recorder_.listed[3];
  EXPECT_EQ(aes.method, "Unk:099");
  EXPECT_EQ(aes.crypt, 'E');
  EXPECT_EQ(aes.ucsize, 26u);
  EXPECT_EQ(aes.csize, 34u);  // 26 + salt 8 + check 2 + MAC 10, minus 12
  EXPECT_EQ(aes.factor, 31u);
  EXPECT_EQ(call_.functions.TotalSize, 7u + 1000 + 26);
  EXPECT_EQ(call_.functions.NumMembers, 4u);
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
