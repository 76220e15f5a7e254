// ARJ jobs with Hide Output "0": the batch runs in a real console window, the utility's
// questions are answered by typing into it, and the finished window closes as the
// Close extract window setting says.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>

#include "app/ui/qt_dialogs.h"
#include "engine/driver.h"
#include "engine/session.h"
#include "platform/ui/qt_console_host.h"
#include "settings/isolated_settings.h"
#include "settings/settings_store.h"
#include "settings/settings_vars.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kArj = "/usr/bin/arj";

ConsoleWindow* OpenConsoleWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* console = qobject_cast<ConsoleWindow*>(widget);
    if (console != nullptr && console->isVisible()) return console;
  }
  return nullptr;
}

class ArjConsoleJobTest : public IsolatedSettingsTest {
 protected:
  ArjConsoleJobTest() {
    dialogs.session = &session;
    session.mainWindow.view = &mainWindow;
    session.status.view = &status;
    session.mainWindow.currentFolder = Root() + "/";
    session.programs.host = &host;
    session.programs.batchRunner = TESSALY_BATCH_BIN;
    Set("General", "First time", "0");
    Set("General", "Show confirmation", "0");
    Set("Utility Locations", "arj", kArj);
    Set("General", "Hide Output", "0");
    fs::create_directories(Destination());
    session.mainWindow.destinationBox.text = Destination();
  }

  void SetUp() override {
    if (!fs::exists(kArj)) GTEST_SKIP() << "the ARJ utility is not installed at " << kArj;
  }

  static void Set(const std::string& section, const std::string& key, const std::string& value) {
    ASSERT_TRUE(ApplicationSettings().SaveSetting(section, key, value));
  }

  std::string Destination() const { return Root() + "/out"; }

  // A set of two volumes made by the utility: a.txt, sub/b.txt and big.bin; the utility
  // asks before it goes on to the second.
  std::string MakeVolumeSet(const std::string& name) {
    const fs::path staging = fs::path(Root()) / ("staging-" + name);
    WriteFileText(staging / "a.txt", "alpha\n");
    WriteFileText(staging / "sub/b.txt", "bravo\n");
    WriteFileText(staging / "big.bin", std::string(12000, 'v'));
    const std::vector<std::string> args = {
        kArj, "a", "-y", Root() + "/" + name, "a.txt", "sub/b.txt", "big.bin", "-m0", "-v10000"};
    EXPECT_EQ(RunTool(args, staging), 0);
    return Root() + "/" + name;
  }

  // Runs the job while onTick looks at the console window every 20 ms.
  void ExtractWhile(const std::vector<std::string>& archives,
                    const std::function<void(ConsoleWindow&)>& onTick) {
    session.job.selectedFiles = archives;
    session.job.selectedCount = static_cast<int>(archives.size());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      ConsoleWindow* console = OpenConsoleWindow();
      if (console == nullptr) return;
      titles.insert(console->windowTitle().toStdString());
      // A test that waits for the wrong question fails instead of hanging.
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "still open: " << console->toPlainText().toStdString();
        console->close();
        return;
      }
      onTick(*console);
    });
    watcher.start(20);
    ExtractSelectedArchives(session, CallingWindow::MainWindow);
  }

  static std::string BatchFile() {
    SettingsVars vars;
    return GetTempFolder(vars) + "Tessaly.bat";
  }

  ScriptedDialogs dialogs;
  QtEventPump pump;
  Session session{dialogs, pump};
  RecordingMainWindow mainWindow;
  StatusRecorder status{session.status};
  QtConsoleHost host;
  std::set<std::string> titles;
};

TEST_F(ArjConsoleJobTest, QuestionsAnsweredInTheWindowWhichClosesWhenTheBatchFinishes) {
  Set("General", "Close extract window", "1");
  Set("arj options", "auto overwrite", "0");
  const std::string first = MakeVolumeSet("first.arj");
  const std::string second = MakeVolumeSet("second one.arj");
  WriteFileText(fs::path(Destination()) / "a.txt", "old\n");
  dialogs.fileExistsAnswers = {"All"};
  int answered = 0;
  ExtractWhile({first, second}, [&](ConsoleWindow& console) {
    // Each question is answered once: "y" and Enter.
    const int asked = console.toPlainText().count("OK to process next volume");
    if (asked > answered) {
      ++answered;
      QTest::keyClicks(&console, "y");
      QTest::keyClick(&console, Qt::Key_Return);
    }
  });

  // The utility asks only before each second volume (its folders are made without a
  // question); the file already there is Tessaly's question, asked once for both.
  EXPECT_EQ(answered, 2);
  EXPECT_EQ(dialogs.fileExistsQuestions,
            std::vector<std::string>{
                "The file a.txt already exists in the destination folder. Overwrite it?"});
  EXPECT_EQ(ReadFileText(fs::path(Destination()) / "a.txt"), "alpha\n");
  EXPECT_EQ(ReadFileText(fs::path(Destination()) / "sub/b.txt"), "bravo\n");
  EXPECT_EQ(fs::file_size(fs::path(Destination()) / "big.bin"), 12000u);
  EXPECT_TRUE(titles.count("Tessaly.bat")) << ::testing::PrintToString(titles);
  // The watcher closed the finished window at once and brought the main window back.
  EXPECT_EQ(OpenConsoleWindow(), nullptr);
  EXPECT_EQ(mainWindow.Count("Show"), 1);
  EXPECT_EQ(session.status.archiveLabel, kFinished);
  EXPECT_FALSE(fs::exists(BatchFile()));
}

}  // namespace
}  // namespace tessaly::testing
