// A job through the driver on an archive past the 16-bit entry count: every entry
// arrives and the bar counts them all. The other bad input is covered end to end by
// the program's tests and the driver's refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/odd_zip_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class ManyEntriesTest : public EngineTest {
 protected:
  ManyEntriesTest() : out_(PathOf("out")) { session.mainWindow.destinationBox.text = out_; }
  std::string Out(const std::string& name) const { return out_ + "/" + name; }

  std::string out_;
};

TEST_F(ManyEntriesTest, SlowMoreThan65535EntriesAllArriveAndFillTheBar) {
  constexpr int kCount = 65536 + 64;
  WriteManyEntriesZip(PathOf("many.zip"), kCount);
  ASSERT_FALSE(HasFailure());
  fs::create_directory(out_);
  Select({PathOf("many.zip")});
  Extract();

  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  const StatusModel& status = session.status;
  EXPECT_EQ(status.archiveLabel, kFinished);
  EXPECT_EQ(status.progressMax, kCount);
  EXPECT_EQ(status.progressValue, kCount);
  EXPECT_EQ(session.job.progressCount, kCount);
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + PathOf("many.zip")));
  const std::vector<std::string> lines = recorder.MessageLines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(kCount));
  EXPECT_EQ(lines.front(), "Extracting file: " + Out(ManyEntriesName(0)) + "  ");
  EXPECT_EQ(lines.back(), "Extracting file: " + Out(ManyEntriesName(kCount - 1)) + "  ");

  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(out_)) {
    if (entry.is_regular_file()) ++files;
  }
  EXPECT_EQ(files, static_cast<size_t>(kCount));
  for (const int n : {0, 65535, 65536, kCount - 1}) {
    EXPECT_EQ(ReadFileText(Out(ManyEntriesName(n))), std::to_string(n) + "\n");
  }
}

}  // namespace
}  // namespace tessaly::testing
