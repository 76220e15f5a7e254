// The desktop program's console host with real programs: hidden ones run with no
// window, the others in a console window shown as asked, which ends them when closed.
// Output, typed answers and the finished window are the ARJ console job tests' part.
#include "platform/ui/qt_console_host.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/files.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kNormalWithFocus = 1;

class ConsoleWindowTest : public ::testing::Test {
 protected:
  // Starts argv in a window; the test ends if it cannot.
  ConsoleWindow* StartInWindow(const std::vector<std::string>& argv,
                               int windowStyle = kNormalWithFocus) {
    int errorNumber = -1;
    const std::optional<ProcessId> started = host.Start(argv, windowStyle, errorNumber);
    EXPECT_TRUE(started) << "error " << errorNumber;
    if (!started) return nullptr;
    EXPECT_EQ(errorNumber, 0);
    process = *started;
    const std::optional<ConsoleWindowId> window = host.FindConsoleWindow(process);
    EXPECT_TRUE(window);
    return window ? host.Window(*window) : nullptr;
  }

  bool WaitForFinished(ConsoleWindow& window) {
    return QTest::qWaitFor([&] { return window.windowTitle().startsWith("Finished"); }, 5000);
  }

  TempFolder temp;
  const fs::path folder = temp.path();
  QtConsoleHost host;
  ProcessId process = 0;
};

// Closing the window of a running program ends it at once; Ctrl-C interrupts it and
// the window stays.
TEST_F(ConsoleWindowTest, ClosingOrControlCEndsARunningProgram) {
  ConsoleWindow* window = StartInWindow({"/bin/sleep", "30"});
  ASSERT_NE(window, nullptr);
  QTest::qWait(100);
  EXPECT_EQ(host.ExitCode(process), kStillActive);
  EXPECT_EQ(window->windowTitle(), "30");
  const auto started = std::chrono::steady_clock::now();
  window->close();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  EXPECT_EQ(host.ExitCode(process), 128 + SIGHUP);
  EXPECT_FALSE(window->windowTitle().startsWith("Finished"));

  window = StartInWindow({"/bin/sleep", "30"});
  ASSERT_NE(window, nullptr);
  QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(WaitForFinished(*window));
  EXPECT_EQ(host.ExitCode(process), kStillActive);
  host.CloseWindow(*host.FindConsoleWindow(process));
  EXPECT_EQ(host.ExitCode(process), 128 + SIGINT);
}

TEST_F(ConsoleWindowTest, WindowStylesShowTheWindowAsAsked) {
  struct Style {
    int windowStyle;
    bool minimized;
    bool maximized;
    bool withoutFocus;
  };
  for (const Style& style :
       {Style{2, true, false, false}, Style{3, false, true, false}, Style{4, false, false, true}}) {
    SCOPED_TRACE(style.windowStyle);
    ConsoleWindow* window = StartInWindow({"/bin/sleep", "30"}, style.windowStyle);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->isMinimized(), style.minimized);
    EXPECT_EQ(window->isMaximized(), style.maximized);
    EXPECT_EQ(window->testAttribute(Qt::WA_ShowWithoutActivating), style.withoutFocus);
    host.CloseWindow(process);
    EXPECT_EQ(host.ExitCode(process), 128 + SIGHUP);
    host.Release(process);
  }
}

// A hidden program has no window; a program that cannot start gives the error number.
TEST_F(ConsoleWindowTest, HiddenProgramRunsWithoutAWindowStartFailuresGiveTheirNumber) {
  const fs::path marker = folder / "ran";
  int errorNumber = -1;
  const std::optional<ProcessId> started =
      host.Start({"/bin/sh", "-c", "echo discarded; [ ! -t 0 ] && touch \"$0\"; sleep 0.2; exit 7",
                  marker.string()},
                 0, errorNumber);
  ASSERT_TRUE(started);
  EXPECT_EQ(errorNumber, 0);
  EXPECT_FALSE(host.FindConsoleWindow(*started));
  EXPECT_EQ(host.ExitCode(*started), kStillActive);
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.ExitCode(*started) != kStillActive; }, 5000));
  EXPECT_EQ(host.ExitCode(*started), 7);
  EXPECT_TRUE(fs::exists(marker));
  host.Release(*started);

  const fs::path text = folder / "not-a-program";
  std::ofstream(text) << "plain text\n";
  chmod(text.c_str(), 0644);
  EXPECT_FALSE(host.Start({(folder / "missing").string()}, kNormalWithFocus, errorNumber));
  EXPECT_EQ(errorNumber, 53);
  EXPECT_FALSE(host.Start({text.string()}, kNormalWithFocus, errorNumber));
  EXPECT_EQ(errorNumber, 70);
}

}  // namespace
}  // namespace tessaly::testing
