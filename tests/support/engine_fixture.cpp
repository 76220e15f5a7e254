#include "support/engine_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "engine/driver.h"
#include "engine/selection.h"
#include "settings/settings_store.h"
#include "support/job_texts.h"

namespace tessaly::testing {

int RecordingMainWindow::Count(const std::string& call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

void StatusRecorder::Refresh() {
  Snapshot now{model_.archiveLabel, model_.messageLabel, model_.progressMax, model_.progressValue};
  if (snapshots.empty() || !(snapshots.back() == now)) snapshots.push_back(now);
}

bool StatusRecorder::SawArchiveLabel(const std::string& text) const {
  return std::any_of(snapshots.begin(), snapshots.end(),
                     [&](const Snapshot& s) { return s.archiveLabel == text; });
}

std::vector<std::string> StatusRecorder::MessageLines() const {
  std::vector<std::string> lines;
  for (const Snapshot& s : snapshots) {
    if (!s.messageLabel.empty() && (lines.empty() || lines.back() != s.messageLabel)) {
      lines.push_back(s.messageLabel);
    }
  }
  return lines;
}

namespace {

// ZIP entries are decoded by four workers unless the run asks for another count:
// ctest runs the ZIP job suites a second time with one.
int32_t ZipThreadsForTests() {
  const char* asked = std::getenv("TESSALY_TEST_ZIP_THREADS");
  return asked ? std::atoi(asked) : 4;
}

}  // namespace

EngineTest::EngineTest() {
  session.zip.threads = ZipThreadsForTests();
  session.programs.reader = TESSALY_READER_BIN;
  previousDir_ = std::filesystem::current_path().string();
  std::filesystem::create_directories(WorkDir());
  std::filesystem::current_path(WorkDir());
  dialogs.session = &session;
  session.mainWindow.view = &mainWindow;
  session.status.view = &recorder;
  session.mainWindow.currentFolder = Root() + "/";
  SetSetting("General", "First time", "0");
  SetSetting("General", "Show confirmation", "0");
}

EngineTest::~EngineTest() {
  std::error_code ignored;
  std::filesystem::current_path(previousDir_, ignored);
  EXPECT_TRUE(dialogs.messageAnswers.empty()) << "unused message answers";
  EXPECT_TRUE(dialogs.fileExistsAnswers.empty()) << "unused File Exists answers";
  EXPECT_TRUE(dialogs.inputAnswers.empty()) << "unused input answers";
  EXPECT_TRUE(dialogs.destinationAnswers.empty()) << "unused destination answers";
}

void EngineTest::SetSetting(const std::string& section, const std::string& key,
                            const std::string& value) {
  ASSERT_TRUE(ApplicationSettings().SaveSetting(section, key, value));
}

std::string EngineTest::GetSetting(const std::string& section, const std::string& key) {
  return ApplicationSettings().GetSetting(section, key, "");
}

void EngineTest::Select(const std::vector<std::string>& paths) {
  session.job.selectedFiles = paths;
  session.job.selectedCount = static_cast<int>(paths.size());
}

std::vector<std::string> EngineTest::MessageTexts() const {
  std::vector<std::string> texts;
  for (const RecordedMessage& m : dialogs.messages) texts.push_back(m.text);
  return texts;
}

std::string EngineTest::Detect(const std::string& path) {
  const std::string type = DetectArchiveType(session, path);
  EXPECT_FALSE(session.job.probeMode);
  EXPECT_FALSE(session.job.countingPass);
  return type;
}

DestinationJobTest::DestinationJobTest() : out_(PathOf("out")) {
  std::filesystem::create_directory(out_);
  session.mainWindow.destinationBox.text = out_;
}

void DestinationJobTest::ExpectOnlyMessage(const std::string& text) const {
  ASSERT_EQ(dialogs.messages.size(), 1u) << ::testing::PrintToString(MessageTexts());
  const RecordedMessage& message = dialogs.messages[0];
  EXPECT_EQ(message.text, text);
  EXPECT_EQ(message.icon, MsgIcon::Critical);
  EXPECT_EQ(message.buttons, MsgButtons::OK);
  EXPECT_EQ(message.title, "Oops!");
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

}  // namespace tessaly::testing
