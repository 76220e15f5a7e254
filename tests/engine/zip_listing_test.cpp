// The ZIP backend in list mode: the contents window's rows, and the counting listing
// that an unchanged archive answers from the previous one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/zip/zip_backend.h"
#include "support/engine_fixture.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

class ZipListingTest : public EngineTest {
 protected:
  // A listing as the contents window, the probe and the counting pass make it.
  void List(const std::string& archive, bool intoContents) {
    session.job.countingPass = true;
    session.zip.extractList = true;
    session.zip.extractDir.clear();
    session.zip.zipFileName = archive;
    session.zip.listIntoContents = intoContents;
    session.zip.listedBytes = 0;
    session.zip.listedEntries = 0;
    session.zip.zipMemberCount = 0;
    session.job.extractResult = 0;
    UnzipArchive(session);
  }
};

TEST_F(ZipListingTest, RowsGoOnTopWithTheirColumns) {
  WriteZip(PathOf("l.zip"), {{"top.txt", "12345"},
                             {"docs/", ""},
                             {"docs/guide.doc", std::string(1000, 'g'), true},
                             {"a/b.txt", "secret", false, "pw"}});
  List(PathOf("l.zip"), true);

  const auto& rows = session.contents.rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].text, "b.txt+");
  EXPECT_EQ(rows[0].storedName, "a/b.txt");
  EXPECT_EQ(rows[0].iconKey, "txt");
  EXPECT_EQ(rows[0].subItems[1], "6");
  EXPECT_EQ(rows[0].subItems[3], "6") << "the encryption header is not counted";
  EXPECT_EQ(rows[0].subItems[4], "a/");

  EXPECT_EQ(rows[1].text, "guide.doc");
  EXPECT_EQ(rows[1].iconKey, "Others");
  EXPECT_EQ(rows[1].subItems[4], "docs/");
  EXPECT_NE(rows[1].subItems[3], "1000") << "deflated";

  EXPECT_EQ(rows[2].text, "");
  EXPECT_EQ(rows[2].subItems[4], "docs/");

  EXPECT_EQ(rows[3].text, "top.txt");
  EXPECT_EQ(rows[3].subItems, (std::array<std::string, 5>{"3/7/2024 9:5", "5", "0%", "5", ""}));

  EXPECT_EQ(session.zip.listedBytes, 5 + 1000 + 6);
  EXPECT_EQ(session.zip.listedEntries, 4);
  EXPECT_EQ(session.zip.zipMemberCount, 4u);
  EXPECT_TRUE(dialogs.inputs.empty()) << "listing asks for no password";
}

TEST_F(ZipListingTest, WithoutTheContentsWindowEntriesAreOnlyCounted) {
  WriteZip(PathOf("l.zip"), {{"x.zip", "inner"}, {"y.cpp", "int"}});
  List(PathOf("l.zip"), false);
  EXPECT_TRUE(session.contents.rows.empty());
  EXPECT_EQ(session.zip.listedEntries, 2);
  EXPECT_EQ(session.zip.listedBytes, 0);

  List(PathOf("l.zip"), true);
  ASSERT_EQ(session.contents.rows.size(), 2u);
  EXPECT_EQ(session.contents.rows[0].iconKey, "cpp");
  EXPECT_EQ(session.contents.rows[1].iconKey, "tessaly");
}

// The same counts again for an unchanged archive; a changed one, other names or a
// listing for the contents window read it again.
TEST_F(ZipListingTest, ACountingListingIsReadAgainWhenAnythingChanged) {
  namespace fs = std::filesystem;
  WriteZip(PathOf("a.zip"), {{"one.txt", "1"}});
  for (int again = 0; again < 2; ++again) {
    List(PathOf("a.zip"), false);
    EXPECT_EQ(session.zip.zipMemberCount, 1u);
    EXPECT_EQ(session.zip.listedEntries, 1);
    EXPECT_EQ(session.job.extractResult, 0);
  }

  // Rewritten in place, same name: the new entries count.
  WriteZip(PathOf("b.zip"), {{"one.txt", "1"}, {"two.txt", "2"}, {"three.txt", "3"}});
  fs::copy_file(PathOf("b.zip"), PathOf("a.zip"), fs::copy_options::overwrite_existing);
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.zip.zipMemberCount, 3u);
  EXPECT_EQ(session.zip.listedEntries, 3);

  // Only the selected names are listed.
  session.zip.includeNames = {"two.txt"};
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.zip.listedEntries, 1);
  session.zip.includeNames.clear();
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.zip.listedEntries, 3);

  List(PathOf("a.zip"), true);
  EXPECT_EQ(session.contents.rows.size(), 3u);

  // A missing archive is an error every time, not a remembered listing.
  fs::remove(PathOf("a.zip"));
  session.job.selectedFiles = {PathOf("a.zip")};
  session.job.probeMode = true;
  List(PathOf("a.zip"), false);
  EXPECT_EQ(session.job.extractResult, 1);
}

}  // namespace
}  // namespace tessaly::testing
