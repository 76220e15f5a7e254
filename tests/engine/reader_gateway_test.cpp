// A reader that cannot start or dies fails its archive with a message saying so, once;
// the program itself goes on.
#include <gtest/gtest.h>

#include "support/engine_fixture.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

class ReaderGatewayTest : public EngineTest {};

TEST_F(ReaderGatewayTest, AReaderThatCannotStartOrDiesFailsTheArchiveWithItsReason) {
  const std::string archive = PathOf("a.zip");
  WriteZip(archive, {{"a.txt", "alpha"}});
  const struct {
    std::string reader;
    std::string message;
  } rows[] = {
      {TESSALY_DYING_READER_BIN, "Tessaly stopped reading \"" + archive +
                                     "\": its reader ended on signal 6 (Aborted), the archive "
                                     "is probably damaged."},
      {PathOf("no-reader"),
       "Tessaly could not start its archive reader \"" + PathOf("no-reader") + "\": not found."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.reader);
    dialogs.messages.clear();
    session.programs.reader = row.reader;
    Select({archive});
    Extract();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{row.message});
    EXPECT_TRUE(session.job.archiveFailed);
    EXPECT_FALSE(session.status.loaded) << "no job started";
  }
}

}  // namespace
}  // namespace tessaly::testing
