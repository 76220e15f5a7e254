// The ZIP backend answers a counting listing of an unchanged archive from the
// previous one with the same counts, and reads the archive again whenever anything
// about it or the listing changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/zip/zip_backend.h"
#include "support/engine_fixture.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class ZipListingReuseTest : public EngineTest {
 protected:
  // A counting listing as the probe and the counting pass make it.
  void Count(const std::string& archive) {
    session.job.countingPass = true;
    session.zip.extractList = true;
    session.zip.extractDir.clear();
    session.zip.zipFileName = archive;
    session.zip.listedEntries = 0;
    session.zip.zipMemberCount = 0;
    session.job.extractResult = 0;
    UnzipArchive(session);
  }
};

TEST_F(ZipListingReuseTest, AnUnchangedArchiveGivesTheSameAnswerAgain) {
  WriteZip(PathOf("a.zip"), {{"one.txt", "1"}, {"two.txt", "2"}});
  Count(PathOf("a.zip"));
  EXPECT_EQ(session.zip.zipMemberCount, 2u);
  EXPECT_EQ(session.zip.listedEntries, 2);

  Count(PathOf("a.zip"));
  EXPECT_EQ(session.zip.zipMemberCount, 2u);
  EXPECT_EQ(session.zip.listedEntries, 2);
  EXPECT_EQ(session.job.extractResult, 0);
}

TEST_F(ZipListingReuseTest, AChangedArchiveOrOtherNamesAreReadAgain) {
  WriteZip(PathOf("a.zip"), {{"one.txt", "1"}});
  Count(PathOf("a.zip"));
  EXPECT_EQ(session.zip.zipMemberCount, 1u);

  // Rewritten in place, same name: the new entries count.
  WriteZip(PathOf("b.zip"), {{"one.txt", "1"}, {"two.txt", "2"}, {"three.txt", "3"}});
  fs::copy_file(PathOf("b.zip"), PathOf("a.zip"), fs::copy_options::overwrite_existing);
  Count(PathOf("a.zip"));
  EXPECT_EQ(session.zip.zipMemberCount, 3u);
  EXPECT_EQ(session.zip.listedEntries, 3);

  // Only the selected names are listed.
  session.zip.includeNames = {"two.txt"};
  Count(PathOf("a.zip"));
  EXPECT_EQ(session.zip.listedEntries, 1);
  session.zip.includeNames.clear();
  Count(PathOf("a.zip"));
  EXPECT_EQ(session.zip.listedEntries, 3);

  // A listing that fills the contents window always reads the archive.
  session.zip.listIntoContents = true;
  session.contents.Clear();
  Count(PathOf("a.zip"));
  EXPECT_EQ(session.contents.rows.size(), 3u);
  session.zip.listIntoContents = false;

  // A missing archive is an error every time, not a remembered listing.
  fs::remove(PathOf("a.zip"));
  session.job.selectedFiles = {PathOf("a.zip")};
  session.job.probeMode = true;
  Count(PathOf("a.zip"));
  EXPECT_EQ(session.job.extractResult, 1);
}

}  // namespace
}  // namespace tessaly::testing
