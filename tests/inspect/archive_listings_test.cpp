// The RAR and ACE listings of the contents window on archives the tests write and on
// the corpus: rows top-first, folders, markers, totals, volume sets and the messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "inspect/archive_listings.h"
#include "support/ace_packer.h"
#include "support/ace_writer.h"
#include "support/corpus_table.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/rar_writer.h"

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

// An encrypted entry that goes on into the next volume shows the marker; without its
// second volume the listing stops at that entry with the rows before it.
TEST_P(RarListingTest, AVolumeSetAndItsMissingVolume) {
  RarOptions options;
  options.format = GetParam();
  options.password = "pw";
  const std::vector<std::string> volumes =
      WriteRarVolumes(PathOf("set"), RarVolumeNaming::PartN, 100,
                      {{"a.txt", std::string(40, 'a')},
                       {"b.txt", std::string(300, 'b'), false, true},
                       {"c.txt", "c"}},
                      options);
  ASSERT_GE(volumes.size(), 3u);
  EXPECT_EQ(ListRarArchive(session, volumes[0]), ListingResult::Listed);
  EXPECT_EQ(Rows(false), (std::vector<Row>{{"c.txt", "c.txt", "1", "*", "", "txt"},
                                           {"b.txt+", "b.txt", "300", "*", "", "txt"},
                                           {"a.txt", "a.txt", "40", "*", "", "txt"}}));
  EXPECT_EQ(session.contents.totals, "Total Files: 3  Total Uncompressed Size: 341");

  fs::remove(volumes[1]);
  EXPECT_EQ(ListRarArchive(session, volumes[0]), ListingResult::MissingVolume);
  EXPECT_EQ(Rows(false), (std::vector<Row>{{"a.txt", "a.txt", "40", "*", "", "txt"}}));
  EXPECT_EQ(session.contents.totals, "");
}

TEST_P(RarListingTest, AFileThatIsNoArchiveListsNothing) {
  WriteFileText(PathOf("not.rar"), "Rar! but not really");
  EXPECT_EQ(ListRarArchive(session, PathOf("not.rar")), ListingResult::Listed);
  EXPECT_TRUE(session.contents.rows.empty());
  EXPECT_EQ(session.contents.totals, "Total Files: 0  Total Uncompressed Size: 0");
}

INSTANTIATE_TEST_SUITE_P(Formats, RarListingTest,
                         ::testing::Values(RarFormat::Rar4, RarFormat::Rar5), [](const auto& info) {
                           return std::string(info.param == RarFormat::Rar4 ? "Rar4" : "Rar5");
                         });

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
       "There was an error reading from the drive on which %is located. Operation aborted."},
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

// Every entry the corpus table names is listed under its whole stored name.
class CorpusListingTest : public ListingTest, public ::testing::WithParamInterface<CorpusCase> {};

TEST_P(CorpusListingTest, ListsTheEntriesOfTheTable) {
  const CorpusCase& corpus = GetParam();
  ASSERT_TRUE(CorpusFilesIntact(corpus));
  const std::string archive = (corpus.folder / corpus.archive).string();
  const bool ace = corpus.folder.filename() == "ace";
  const ListingResult result =
      ace ? ListAceArchive(session, archive) : ListRarArchive(session, archive);
  std::set<std::string> listed;
  for (const ContentsRow& row : session.contents.rows) listed.insert(row.storedName);
  if (listed.empty() && corpus.password != "-" && !ace) {
    // Encrypted headers: the listing asks for no password and shows an empty list.
    EXPECT_EQ(session.contents.totals, "Total Files: 0  Total Uncompressed Size: 0");
    return;
  }
  for (const CorpusRow& row : corpus.rows) {
    if (row.outcome != "ok" || (row.type != "file" && row.type != "link")) continue;
    EXPECT_TRUE(listed.count(row.path)) << row.path;
  }
  if (corpus.AllOk()) {
    EXPECT_EQ(result, ListingResult::Listed);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
  }
}

std::vector<CorpusCase> ListingCorpusCases() {
  std::vector<CorpusCase> cases;
  std::set<std::string> seen;
  for (const char* format : {"rar", "ace"}) {
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
