// Result codes, passwords and the open record through the C API, mostly on
// archives the tests write.
#include <gtest/gtest.h>

#include "api_support.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

using tessaly::testing::RarFolder;
using tessaly::testing::RarFormat;
using tessaly::testing::RarOptions;
using tessaly::testing::WriteRar;

RarOptions options_for(RarFormat format) {
  RarOptions options;
  options.format = format;
  return options;
}

TEST(Records, EncryptedHeadersNeedThePasswordFirst) {
  TempDir dir;
  const std::string archive = dir / "h.rar";
  RarOptions options;
  options.password = "hpw";
  options.encryptHeaders = true;
  WriteRar(archive, {{"inside.txt", "payload"}}, options);

  RunResult run = run_archive(archive, RAR_TEST);
  EXPECT_EQ(run.openResult, 0);
  EXPECT_EQ(run.endResult, ERAR_MISSING_PASSWORD);
  EXPECT_TRUE(run.entries.empty());

  run = run_archive(archive, RAR_TEST, "", "not-it");
  EXPECT_EQ(run.endResult, ERAR_BAD_DATA);
  EXPECT_TRUE(run.entries.empty());

  run = run_archive(archive, RAR_TEST, "", "hpw");
  EXPECT_TRUE(run.all_ok());
  ASSERT_EQ(run.entries.size(), 1u);
  EXPECT_EQ(run.entries[0].name, "inside.txt");
}

// A self-extracting stub is skipped; a RAR stored inside another archive is not
// found.
TEST(Records, ARarBehindAStubOpensAndOneInsideAnotherArchiveDoesNot) {
  TempDir dir;
  const struct {
    const char* name;
    std::string prefix;
    int openResult;
  } rows[] = {
      {"s.exe", "MZ" + std::string(70001, '\x90') + "Rar!\x1a\x07", 0},
      {"stored.arj", std::string("\x60\xEA\x2C\x00", 4) + std::string(100, 'a'),
       ERAR_UNKNOWN_FORMAT},
      {"stored.zip", "PK\x03\x04" + std::string(100, 'z'), ERAR_UNKNOWN_FORMAT},
      {"stored.ace", std::string(7, 'x') + "**ACE**" + std::string(100, 'c'), ERAR_UNKNOWN_FORMAT},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RarOptions withPrefix = options_for(RarFormat::Rar5);
    withPrefix.sfxPrefix = row.prefix;
    WriteRar(dir / row.name, {{"x.txt", "an entry"}}, withPrefix);
    const RunResult run = run_archive(dir / row.name, RAR_TEST);
    EXPECT_EQ(run.openResult, row.openResult);
    EXPECT_EQ(run.entries.size(), row.openResult == 0 ? 1u : 0u);
    if (row.openResult == 0) {
      EXPECT_TRUE(run.all_ok());
    }
  }
}

TEST(Records, DamageEndsInACode) {
  TempDir dir;
  const std::string good = dir / "g.rar";
  WriteRar(good, {{"one.txt", std::string(4000, '1')}, {"two.txt", std::string(4000, '2')}},
           options_for(RarFormat::Rar5));
  const std::string bytes = ReadFileText(good);
  std::string badName = bytes;
  badName[bytes.find("one.txt")] = 'X';
  std::string badData = bytes;
  badData[bytes.find(std::string(100, '1')) + 50] = '7';
  // A flipped name byte fails the header check, a flipped data byte the entry's CRC
  // (the next entry still comes out); a cut in an entry's data or header.
  const struct {
    const char* label;
    std::string bytes;
    std::vector<int> results;  // of each entry read
    int endResult;
  } rows[] = {
      {"name", badName, {}, ERAR_BAD_ARCHIVE},
      {"data", badData, {ERAR_BAD_DATA, 0}, ERAR_END_ARCHIVE},
      {"cut data",
       bytes.substr(0, bytes.find(std::string(100, '2')) + 100),
       {0, ERAR_BAD_DATA},
       ERAR_BAD_ARCHIVE},
      {"cut header", bytes.substr(0, bytes.find("two.txt") - 3), {0}, ERAR_BAD_ARCHIVE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    WriteFileText(dir / "d.rar", row.bytes);
    const RunResult run = run_archive(dir / "d.rar", RAR_TEST);
    std::vector<int> results;
    for (const EntryOutcome& entry : run.entries) results.push_back(entry.result);
    EXPECT_EQ(results, row.results);
    EXPECT_EQ(run.endResult, row.endResult);
  }
}

int keep_going(unsigned char*, int) {
  return 1;
}

// The program counts the entries on a list handle (RAR_OM_LIST, RAR_SKIP), then
// extracts them on another with a data callback. A volume that ends too soon after
// the last entry for another block to fit (stray bytes, an end block cut short)
// ends the archive there: neither pass reports damage.
class Formats : public testing::TestWithParam<RarFormat> {
 protected:
  TempDir dir;
};

TEST_P(Formats, ListThenExtractEndsCleanlyBeforeATooShortTail) {
  const std::string whole = dir / "whole.rar";
  WriteRar(whole, {RarFolder("a"), {"a/one.txt", "one"}}, options_for(GetParam()));
  const std::string bytes = ReadFileText(whole);
  const std::string cut = dir / "cut.rar";
  WriteFileText(cut, bytes.substr(0, bytes.size() - 2));
  struct Row {
    std::string archive;
    std::vector<std::string> names;
  };
  std::vector<Row> rows = {{cut, {"a", "a/one.txt"}}};
  // An over-long owner name in the folder's header, then five stray bytes.
  if (GetParam() == RarFormat::Rar5) {
    rows.push_back({corpus("test_read_format_rar5_owner_name_toolong.rar"), {"a"}});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.archive);
    const RunResult listed = run_archive(row.archive, RAR_SKIP, "", "", RAR_OM_LIST);
    EXPECT_EQ(listed.endResult, ERAR_END_ARCHIVE);
    std::vector<std::string> names;
    for (const EntryOutcome& entry : listed.entries) names.push_back(entry.name);
    EXPECT_EQ(names, row.names);

    const std::string out = dir / "out";
    fs::remove_all(out);
    fs::create_directory(out);
    const RunResult extracted =
        run_archive(row.archive, RAR_EXTRACT, out, "", RAR_OM_EXTRACT, keep_going);
    EXPECT_TRUE(extracted.all_ok()) << extracted.endResult;
    EXPECT_EQ(extracted.entries.size(), row.names.size());
    EXPECT_TRUE(fs::is_directory(out + "/a"));
  }
}

// An archive cut where a block would start: after its main header or after an
// entry's data. RAR5 volumes always close with an end block, so that is a cut: after
// the entries before it, one ERAR_BAD_ARCHIVE in the counting and the extracting pass
// alike, and a skip then ends the archive. RAR 1.5-4 archives may end without one (RAR
// 2.x volumes, archives written without it): a normal end.
TEST_P(Formats, AnArchiveCutAtABlockBoundaryIsDamagedOnlyInRar5) {
  const std::vector<std::string> datas = {"first entry", "second entry", "third entry"};
  WriteRar(dir / "whole.rar", {{"1.txt", datas[0]}, {"2.txt", datas[1]}, {"3.txt", datas[2]}},
           options_for(GetParam()));
  WriteRar(dir / "empty.rar", {}, options_for(GetParam()));
  const std::string bytes = ReadFileText(dir / "whole.rar");
  std::vector<size_t> cuts;
  for (const std::string& data : datas) cuts.push_back(bytes.find(data) + data.size());
  const size_t endBlock = bytes.size() - cuts.back();
  cuts.insert(cuts.begin(), ReadFileText(dir / "empty.rar").size() - endBlock);
  const int expectedEnd = GetParam() == RarFormat::Rar5 ? ERAR_BAD_ARCHIVE : ERAR_END_ARCHIVE;
  for (size_t kept = 0; kept < cuts.size(); ++kept) {
    SCOPED_TRACE(std::to_string(kept) + " entries kept");
    const std::string cut = dir / "cut.rar";
    WriteFileText(cut, bytes.substr(0, cuts[kept]));
    const RunResult listed = run_archive(cut, RAR_SKIP, "", "", RAR_OM_LIST);
    const RunResult tested = run_archive(cut, RAR_TEST);
    const RunResult skipped = run_archive(cut, RAR_TEST, "", "", RAR_OM_EXTRACT, nullptr, true);
    for (const RunResult* run : {&listed, &tested, &skipped}) {
      EXPECT_EQ(run->openResult, 0);
      EXPECT_EQ(run->entries.size(), kept);
    }
    EXPECT_EQ(listed.endResult, expectedEnd);
    EXPECT_EQ(tested.endResult, expectedEnd);
    EXPECT_TRUE(tested.entries.empty() || tested.entries.back().result == 0);
    EXPECT_EQ(skipped.endResult, ERAR_END_ARCHIVE);
  }
}

INSTANTIATE_TEST_SUITE_P(Writer, Formats, testing::Values(RarFormat::Rar4, RarFormat::Rar5),
                         [](const testing::TestParamInfo<RarFormat>& info) {
                           return info.param == RarFormat::Rar5 ? std::string("Rar5")
                                                                : std::string("Rar4");
                         });

TEST(OpenRecord, ReportsWhyAnArchiveCannotBeOpened) {
  TempDir dir;
  WriteFileText(dir / "plain.txt", std::string(5000, 'p') + "Rar!\x1a\x07" + std::string(40, '\0'));
  std::string damagedMain = ReadFileText(corpus("rar3-subdirs.rar"));
  damagedMain[7] = static_cast<char>(damagedMain[7] ^ 0x55);
  WriteFileText(dir / "main.rar", damagedMain);
  for (const auto& [name, expected] :
       {std::pair<std::string, int>{"plain.txt", ERAR_UNKNOWN_FORMAT},
        {"missing.rar", ERAR_EOPEN},
        {"main.rar", ERAR_BAD_ARCHIVE}}) {
    RAROpenArchiveData open{};
    const std::string path = dir / name;
    open.ArcName = path.c_str();
    EXPECT_EQ(RAROpenArchive(&open), nullptr) << name;
    EXPECT_EQ(open.OpenResult, static_cast<unsigned>(expected)) << name;
  }
}

TEST(Comments, ArchiveCommentComesWithTheOpenRecord) {
  EXPECT_EQ(comment_of(corpus("rar3-comment-plain.rar"), 16384),
            std::make_pair(1u, std::string("RARcomment\n")));
  EXPECT_EQ(comment_of(corpus("rar5-psw.rar"), 16384),
            std::make_pair(1u, std::string("RAR5 archive - nohdr-password\n")));
  EXPECT_EQ(comment_of(corpus("rar3-comment-plain.rar"), 5),
            std::make_pair(static_cast<unsigned>(ERAR_SMALL_BUF), std::string("RARc")));
  EXPECT_EQ(comment_of(corpus("rar3-subdirs.rar"), 16384).first, 0u);
  // Old-style comments, packed with the 2.0 and the 1.5 algorithm.
  EXPECT_EQ(comment_of(corpus("rar202-comment-psw.rar")).second, "RARcomment");
  EXPECT_EQ(comment_of(corpus("rar15-comment-lock.rar")).second, "RARcomment -----");
}

}  // namespace
}  // namespace unrar_test
