#include "support/engine_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "engine/driver.h"
#include "settings/reg_settings.h"

namespace tessaly::testing {

int RecordingMainWindow::Count(const std::string& call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

void StatusRecorder::Refresh() {
  Snapshot now{form_.lblarc, form_.lblmsg, form_.pb2Max, form_.pb2Value};
  if (snapshots.empty() || !(snapshots.back() == now)) snapshots.push_back(now);
}

bool StatusRecorder::SawLblarc(const std::string& text) const {
  return std::any_of(snapshots.begin(), snapshots.end(),
                     [&](const Snapshot& s) { return s.lblarc == text; });
}

std::vector<std::string> StatusRecorder::Lblmsgs() const {
  std::vector<std::string> lines;
  for (const Snapshot& s : snapshots) {
    if (!s.lblmsg.empty() && (lines.empty() || lines.back() != s.lblmsg)) {
      lines.push_back(s.lblmsg);
    }
  }
  return lines;
}

EngineTest::EngineTest() {
  previousDir_ = std::filesystem::current_path().string();
  std::filesystem::create_directories(WorkDir());
  std::filesystem::current_path(WorkDir());
  dialogs.session = &session;
  session.Form1.view = &mainWindow;
  session.Form4Window.view = &status;
  session.Form1.CurrentFolder = Root() + "/";
  SetSetting("General", "First time", "0");
  SetSetting("General", "Show confirmation", "0");
}

EngineTest::~EngineTest() {
  std::error_code ignored;
  std::filesystem::current_path(previousDir_, ignored);
  EXPECT_TRUE(dialogs.messageAnswers.empty()) << "unused message answers";
  EXPECT_TRUE(dialogs.fileExistsAnswers.empty()) << "unused File Exists answers";
  EXPECT_TRUE(dialogs.inputAnswers.empty()) << "unused input answers";
  EXPECT_TRUE(dialogs.confirmAnswers.empty()) << "unused confirmation answers";
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
  session.job.SelectedFiles = paths;
  session.job.SelectedCount = static_cast<int>(paths.size());
}

std::vector<std::string> EngineTest::MessageTexts() const {
  std::vector<std::string> texts;
  for (const RecordedMessage& m : dialogs.messages) texts.push_back(m.text);
  return texts;
}

}  // namespace tessaly::testing
