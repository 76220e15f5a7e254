// The listings of the contents window on archives the tests write and on the corpus:
// RAR and ACE rows top-first, ARJ rows read from the utility's listing in the archive's
// order; folders, markers, totals, volume sets and the messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/arj_fixture.h"
#include "inspect/archive_listings.h"
#include "settings/settings_vars.h"
#include "support/ace_packer.h"
#include "support/ace_writer.h"
#include "support/corpus_table.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

// A row as text, stored name, unpacked, packed and folder; packed "*" is not compared.
struct Row {
  std::string text;
  std::string storedName;
  std::string unpacked;
  std::string packed;
  std::string folder;
  std::string iconKey;
  bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << "{" << row.text << " | " << row.storedName << " | " << row.unpacked << " | " << row.packed
       << " | " << row.folder << " | " << row.iconKey << "}";
}

const std::string kLongFolder = "deep/";
const std::string kLongName = std::string(290, 'n') + ".txt";  // past the record's 260 bytes

class ListingTest : public EngineTest {
 protected:
  std::vector<Row> Rows(bool comparePacked = true) const {
    std::vector<Row> rows;
    for (const ContentsRow& row : session.contents.rows) {
      rows.push_back({row.text, row.storedName, row.subItems[0],
                      comparePacked ? row.subItems[1] : "*", row.subItems[2], row.iconKey});
    }
    return rows;
  }
  std::string Critical(const std::string& text) const {
    if (dialogs.messages.size() != 1) return "messages: " + std::to_string(dialogs.messages.size());
    const RecordedMessage& shown = dialogs.messages[0];
    if (shown.title != "Oops!" || shown.icon != MsgIcon::Critical ||
        shown.buttons != MsgButtons::OK) {
      return "not the critical Oops! box: " + shown.text;
    }
    return shown.text == text ? "" : shown.text;
  }
};

class RarListingTest : public ListingTest, public ::testing::WithParamInterface<RarFormat> {};

TEST_P(RarListingTest, RowsFoldersMarkersAndTotals) {
  RarOptions options;
  options.format = GetParam();
  options.password = "pw";
  WriteRar(PathOf("l.rar"),
           {{"top.txt", "12345"},
            RarFolder("docs"),
            {"docs/guide.doc", std::string(1000, 'g')},
            {"a/b.txt", "secret", false, true},
            {kLongFolder + kLongName, "x"}},
           options);
  EXPECT_EQ(ListRarArchive(session, PathOf("l.rar")), ListingResult::Listed);
  EXPECT_EQ(Rows(false),
            (std::vector<Row>{{kLongName, kLongFolder + kLongName, "1", "*", kLongFolder, "txt"},
                              {"b.txt+", "a/b.txt", "6", "*", "a/", "txt"},
                              {"guide.doc", "docs/guide.doc", "1000", "*", "docs/", "Others"},
                              {"top.txt", "top.txt", "5", "*", "", "txt"}}));
  EXPECT_EQ(session.contents.rows[3].subItems[1], "5");
  EXPECT_EQ(session.contents.totals, "Total Files: 4  Total Uncompressed Size: 1012");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(dialogs.inputs.empty()) << "listing asks for no password";
}

INSTANTIATE_TEST_SUITE_P(Formats, RarListingTest,
                         ::testing::Values(RarFormat::Rar4, RarFormat::Rar5), [](const auto& info) {
                           return std::string(info.param == RarFormat::Rar4 ? "Rar4" : "Rar5");
                         });

// The contents window's probe lists a ZIP archive as it probes it; the listing then
// keeps those rows once, and a RAR archive is probed and listed as before.
TEST_F(ListingTest, TheProbeListsAZipArchiveOnceAndARarArchiveAfterwards) {
  WriteZip(PathOf("z.zip"), {{"a.txt", "alpha"}, {"d/b.txt", "beta"}});
  WriteRar(PathOf("r.rar"), {{"c.txt", "gamma"}});
  ASSERT_EQ(ProbeArchiveForContents(session, PathOf("z.zip")), "zip");
  ASSERT_EQ(ListArchive(session, "zip", PathOf("z.zip")), ListingResult::Listed);
  const auto kept = Rows();
  EXPECT_EQ(session.contents.totals, "Total Files: 2  Total Uncompressed Size: 9");
  EXPECT_EQ(ListArchive(session, "zip", PathOf("z.zip")), ListingResult::Listed);
  EXPECT_EQ(Rows(), kept) << "listed again, the same";
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].storedName, "d/b.txt");

  ASSERT_EQ(ProbeArchiveForContents(session, PathOf("r.rar")), "rar");
  EXPECT_TRUE(session.contents.rows.empty());
  EXPECT_EQ(ListArchive(session, "rar", PathOf("r.rar")), ListingResult::Listed);
  EXPECT_EQ(session.contents.rows.size(), 1u);

  // A file that is no RAR archive lists nothing.
  WriteFileText(PathOf("not.rar"), "Rar! but not really");
  EXPECT_EQ(ListRarArchive(session, PathOf("not.rar")), ListingResult::Listed);
  EXPECT_TRUE(session.contents.rows.empty());
  EXPECT_EQ(session.contents.totals, "Total Files: 0  Total Uncompressed Size: 0");
}

using AceListingTest = ListingTest;

TEST_F(AceListingTest, RowsFoldersMarkersAndTotals) {
  AceOptions options;
  options.password = "pw";
  WriteAce(PathOf("l.ace"),
           {{"top.txt", "12345", false, AceMethod::Stored},
            AceFolder("docs"),
            {"docs/guide.doc", std::string(1000, 'g')},
            {"a/b.txt", "secret", false, AceMethod::Lz77, true},
            {kLongFolder + kLongName, "x", false, AceMethod::Stored}},
           options);
  EXPECT_EQ(ListAceArchive(session, PathOf("l.ace")), ListingResult::Listed);
  EXPECT_EQ(Rows(false),
            (std::vector<Row>{{kLongName, kLongFolder + kLongName, "1", "*", kLongFolder, "txt"},
                              {"b.txt+", "a/b.txt", "6", "*", "a/", "txt"},
                              {"guide.doc", "docs/guide.doc", "1000", "*", "docs/", "Others"},
                              {"docs", "docs", "0", "*", "", "Others"},
                              {"top.txt", "top.txt", "5", "*", "", "txt"}}));
  EXPECT_EQ(session.contents.rows[4].subItems[1], "5");
  EXPECT_EQ(session.contents.totals, "Total Files: 5  Total Uncompressed Size: 1012");
  EXPECT_TRUE(dialogs.messages.empty());
}

// Sizes of 2 GiB and more, each and summed, stay positive: nothing is unpacked, so a
// header that only claims them is enough.
TEST_F(AceListingTest, SizesOfTwoGibibytesAndMoreArePositive) {
  std::string archive = AceMainHeader({});
  for (const char* name : {"big1.bin", "big2.bin"}) {
    AceFileHeaderFields big;
    big.type = 0;
    big.packedSize = 4;
    big.originalSize = 0xC0000000u;
    big.name = name;
    archive += AceFileHeader(big) + "data";
  }
  WriteFileText(PathOf("big.ace"), archive);
  EXPECT_EQ(ListAceArchive(session, PathOf("big.ace")), ListingResult::Listed);
  ASSERT_EQ(session.contents.rows.size(), 2u);
  EXPECT_EQ(session.contents.rows[0].subItems[0], "3221225472");
  EXPECT_EQ(session.contents.totals, "Total Files: 2  Total Uncompressed Size: 6442450944");
}

// Every volume beside the first is walked; parts continued from an earlier volume are
// left out, and a file of the same name that is no ACE archive is passed over.
TEST_F(AceListingTest, AVolumeSetIsListedVolumeByVolume) {
  const std::vector<std::string> volumes =
      WriteAceVolumes(PathOf("s"), 100,
                      {{"a.txt", std::string(40, 'a'), false, AceMethod::Stored},
                       {"b.txt", std::string(300, 'b'), false, AceMethod::Stored},
                       {"c.txt", "c", false, AceMethod::Stored}});
  ASSERT_GE(volumes.size(), 3u);
  WriteFileText(PathOf("s.txt"), "notes, no archive");
  EXPECT_EQ(ListAceArchive(session, volumes[0]), ListingResult::Listed);
  EXPECT_EQ(Rows(false), (std::vector<Row>{{"c.txt", "c.txt", "1", "*", "", "txt"},
                                           {"b.txt", "b.txt", "300", "*", "", "txt"},
                                           {"a.txt", "a.txt", "40", "*", "", "txt"}}));
  EXPECT_EQ(session.contents.totals, "Total Files: 3  Total Uncompressed Size: 341");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(AceListingTest, DamageEndsTheListingWithItsMessage) {
  struct Case {
    const char* name;
    std::string (*damage)(std::string bytes);
    std::string message;  // "%" stands for the archive's path
  };
  const Case cases[] = {
      {"cut short", [](std::string bytes) { return bytes.substr(0, bytes.size() - 100); },
       "CRC error in %. Operation aborted."},
      {"main header broken",
       [](std::string bytes) {
         bytes[bytes.find("**ACE**") + 8] ^= 0x55;
         return bytes;
       },
       "Main header of archive broken. Aborting."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.messages.clear();
    const std::string archive = PathOf("damaged.ace");
    WriteAce(archive,
             {{"a.txt", "alpha"}, {"b.txt", std::string(2000, 'b'), false, AceMethod::Stored}});
    WriteFileText(archive, c.damage(ReadFileText(archive)));
    EXPECT_EQ(ListAceArchive(session, archive), ListingResult::Aborted);
    std::string message = c.message;
    if (const size_t at = message.find('%'); at != std::string::npos) {
      message.replace(at, 1, archive);
    }
    EXPECT_EQ(Critical(message), "");
  }
}

// Files added in this order, each dated kFileTime, so the rows and dates are known.
using ArjFiles = std::vector<std::pair<std::string, std::string>>;
constexpr const char* kFileTime = "24-03-07 09:05:10";

class ArjListingTest : public ArjTest {
 protected:
  void SetUp() override {
    ArjTest::SetUp();
    LoadSettings(session.settings, dialogs);
  }
  void MakeArjInOrder(const std::string& archive, const ArjFiles& files,
                      const std::vector<std::string>& switches = {}) {
    const fs::path staging = PathOf("staging");
    std::vector<std::string> args = {"a", "-y"};
    args.insert(args.end(), switches.begin(), switches.end());
    args.push_back(archive);
    for (const auto& [name, content] : files) {
      WriteFileText(staging / name, content);
      ASSERT_TRUE(SetLocalFileTime(staging / name, 2024, 3, 7, 9, 5, 10));
      args.push_back(name);
    }
    ASSERT_EQ(RunArj(args, staging.string()), 0);
    fs::remove_all(staging);
  }
  // The probe's listing of archive, read as the contents window reads it.
  ListingResult ProbeAndList(const std::string& archive) {
    EXPECT_EQ(Detect(archive), "arj");
    return ListArchive(session, "arj", archive);
  }
  std::string Listing() const { return session.settings.tempFolder + "arjtmp.tmp"; }
  // Text, stored name and the five sub-items of each row.
  std::vector<std::vector<std::string>> Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (const ContentsRow& row : session.contents.rows) {
      rows.push_back({row.text, row.storedName, row.iconKey});
      rows.back().insert(rows.back().end(), row.subItems.begin(), row.subItems.end());
    }
    return rows;
  }
  std::vector<std::string> Row(const std::string& text, const std::string& storedName,
                               const std::string& iconKey, const std::string& unpacked,
                               const std::string& ratio, const std::string& packed) const {
    return {text, storedName, iconKey, kFileTime, unpacked, ratio, packed, ""};
  }
  void ExpectIncomplete(ListingResult result) {
    EXPECT_EQ(result, ListingResult::Incomplete);
    EXPECT_EQ(session.contents.totals, "");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kArjListingIncomplete});
    dialogs.messages.clear();
  }
};

// An entry split over volumes is one row with its parts added up; without a later
// volume the rows read so far stand, without totals.
TEST_F(ArjListingTest, AVolumeSetAndItsMissingVolume) {
  const std::string archive = PathOf("set.arj");
  MakeArjInOrder(archive,
                 {{"a.txt", "alpha"}, {"big.bin", std::string(25000, 'v')}, {"c.txt", "c"}},
                 {"-m0", "-v10000"});
  ASSERT_TRUE(fs::exists(PathOf("set.a02")));
  EXPECT_EQ(ProbeAndList(archive), ListingResult::Listed);
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{
                        Row("a.txt", "a.txt", "txt", "5", "1.000", "5"),
                        Row("big.bin", "big.bin", "Others", "25000", "1.000", "25000"),
                        Row("c.txt", "c.txt", "txt", "1", "0.000", "1")}));
  EXPECT_EQ(session.contents.totals, "Total Files: 3  Total Uncompressed Size: 25006");

  fs::remove(PathOf("set.a02"));
  ExpectIncomplete(ProbeAndList(archive));
  ASSERT_EQ(session.contents.rows.size(), 2u);
  EXPECT_EQ(session.contents.rows[1].storedName, "big.bin");
  EXPECT_NE(session.contents.rows[1].subItems[1], "25000");
}

// Sizes of 2 GiB and more, each and summed, stay whole: the utility's listing of a small
// archive is given such sizes, as the utility widens its columns for them.
TEST_F(ArjListingTest, SizesOfTwoGibibytesAndMoreStayWhole) {
  MakeArjInOrder(PathOf("l.arj"), {{"a.txt", "alpha"}, {"b.txt", "beta"}});
  ASSERT_EQ(ProbeAndList(PathOf("l.arj")), ListingResult::Listed);
  std::string listing = ReadFileText(Listing());
  const size_t first = listing.find('\n', listing.find("001) a.txt")) + 1;
  listing.replace(listing.find(" 5 ", first), 3, " 5000000000 ");
  listing.replace(listing.find(" 9 ", listing.find(" files ")), 3, " 5000000004 ");
  WriteFileText(Listing(), listing);
  EXPECT_EQ(ListArjArchive(session, Listing()), ListingResult::Listed);
  ASSERT_EQ(session.contents.rows.size(), 2u);
  EXPECT_EQ(session.contents.rows[0].subItems[1], "5000000000");
  EXPECT_EQ(session.contents.totals, "Total Files: 2  Total Uncompressed Size: 5000000004");
}

// Every entry the corpus table names is listed under its whole stored name. ARJ
// archives are listed as the contents window lists them, from the probe's listing.
class CorpusListingTest : public ArjTest, public ::testing::WithParamInterface<CorpusCase> {
 protected:
  void SetUp() override {
    if (Format() != "arj") return;
    ArjTest::SetUp();
    LoadSettings(session.settings, dialogs);
  }
  std::string Format() const { return GetParam().folder.filename().string(); }
};

TEST_P(CorpusListingTest, ListsTheEntriesOfTheTable) {
  const CorpusCase& corpus = GetParam();
  ASSERT_TRUE(CorpusFilesIntact(corpus));
  const std::string archive = (corpus.folder / corpus.archive).string();
  const std::string format = Format();
  if (format == "arj") {
    ASSERT_EQ(Detect(archive), "arj");
  }
  // Encrypted headers ask for the password as extraction does; plain ones ask nothing.
  if ((format == "rar" || format == "7z") && corpus.password != "-") {
    dialogs.inputAnswers.push_back(corpus.password);
  }
  // A damaged header asks whether to read on past it: No, the listing stops there.
  if (format == "rar") dialogs.messageAnswers.push_back(MsgAnswer::No);
  const ListingResult result = format == "ace"   ? ListAceArchive(session, archive)
                               : format == "rar" ? ListRarArchive(session, archive)
                                                 : ListArchive(session, format, archive);
  dialogs.inputAnswers.clear();
  dialogs.messageAnswers.clear();
  // Stored name -> unpacked size; an ARJ entry split over volumes is one row of its whole size.
  std::map<std::string, std::string> listed;
  for (const ContentsRow& row : session.contents.rows) {
    listed[row.storedName] = row.subItems[format == "arj" || format == "7z" ? 1 : 0];
  }
  for (const CorpusRow& row : corpus.rows) {
    if (row.outcome != "ok" || (row.type != "file" && row.type != "link")) continue;
    EXPECT_EQ(listed.count(row.path) ? listed[row.path] : "(not listed)", row.size) << row.path;
  }
  if (corpus.AllOk()) {
    EXPECT_EQ(result, ListingResult::Listed);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  }
}

std::vector<CorpusCase> ListingCorpusCases() {
  std::vector<CorpusCase> cases;
  std::set<std::string> seen;
  for (const char* format : {"rar", "ace", "arj", "7z"}) {
    for (CorpusCase& c : LoadCorpusCases(fs::path(TESSALY_CORPUS_DIR) / format)) {
      // A listing is the same whatever the password: one case per archive.
      if (seen.insert(std::string(format) + "/" + c.archive).second) cases.push_back(c);
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusListingTest, ::testing::ValuesIn(ListingCorpusCases()),
                         CorpusCaseName);

}  // namespace
}  // namespace tessaly::testing
