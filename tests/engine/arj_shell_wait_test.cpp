// ShellAndWait and ShellAndWatch over a scripted console host: the window style they
// start with, the start-failure value, the 100 ms poll with its event pump and bar
// animation, and the watcher that closes a finished batch's window. That a probe's
// wait moves no bar is the probe tests' part.
#include "engine/arj/shell_wait.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/engine_fixture.h"

namespace tessaly::testing {
namespace {

class ScriptedConsoleHost : public ConsoleHost {
 public:
  std::optional<ProcessId> Start(const std::vector<std::string>& argv, int windowStyle,
                                 int& errorNumber) override {
    startedArgv = argv;
    startedStyle = windowStyle;
    if (failWith != 0) {
      errorNumber = failWith;
      return std::nullopt;
    }
    return 42;
  }
  int32_t ExitCode(ProcessId process) override {
    EXPECT_EQ(process, 42);
    ++exitCodeReads;
    if (exitCodes.empty()) return kStillActive;
    const int32_t code = exitCodes.front();
    exitCodes.pop_front();
    return code;
  }
  std::optional<ConsoleWindowId> FindConsoleWindow(ProcessId) override { return window; }
  std::string WindowTitle(ConsoleWindowId id) override {
    EXPECT_EQ(id, 7);
    if (titles.empty()) return "";
    const std::string title = titles.front();
    titles.pop_front();
    return title;
  }
  void CloseWindow(ConsoleWindowId id) override { closed.push_back(id); }
  void Release(ProcessId process) override { released.push_back(process); }

  int failWith = 0;
  std::deque<int32_t> exitCodes;
  std::deque<std::string> titles;
  std::optional<ConsoleWindowId> window = 7;
  std::vector<std::string> startedArgv;
  int startedStyle = -1;
  int exitCodeReads = 0;
  std::vector<ConsoleWindowId> closed;
  std::vector<ProcessId> released;
};

class ShellWaitTest : public EngineTest {
 protected:
  ShellWaitTest() {
    session.programs.host = &host;
    session.programs.batchRunner = "/opt/tessaly/tessaly-batch";
  }
  std::vector<int64_t> BarValues() const {
    std::vector<int64_t> values;
    for (const StatusRecorder::Snapshot& s : recorder.snapshots) values.push_back(s.value);
    return values;
  }
  ScriptedConsoleHost host;
};

TEST_F(ShellWaitTest, TheBatchRunnerStartsTheBatchWithTheNormalisedStyle) {
  const std::vector<std::pair<std::optional<int>, int>> styles = {
      {std::nullopt, 6}, {7, 6}, {0, 0}, {1, 1}};
  for (const auto& [given, used] : styles) {
    host.exitCodes = {0};
    EXPECT_EQ(ShellAndWait(session, "/tmp/x/Tessaly.bat", given), 0);
    EXPECT_EQ(host.startedStyle, used) << given.value_or(-99);
    EXPECT_EQ(NormalizeWindowStyle(given), used);
  }
  EXPECT_EQ(host.startedArgv,
            (std::vector<std::string>{"/opt/tessaly/tessaly-batch", "/tmp/x/Tessaly.bat"}));
}

TEST_F(ShellWaitTest, AStartFailureIsItsNumberPlusTheFailureBaseAsASigned32BitValue) {
  host.failWith = 53;
  EXPECT_EQ(ShellAndWait(session, "b.bat", 0), -2147221451);  // 0x80040035
  EXPECT_EQ(host.exitCodeReads, 0);
  EXPECT_TRUE(host.released.empty());

  session.programs.host = nullptr;
  EXPECT_EQ(ShellAndWait(session, "b.bat", 0), static_cast<int32_t>(0x80040005u));
}

TEST_F(ShellWaitTest, EachPollPumpsEventsAndTheBarCyclesOnAcrossWaits) {
  host.exitCodes = {kStillActive, kStillActive, kStillActive, kStillActive, 3};
  EXPECT_EQ(ShellAndWait(session, "b.bat", 0), 3);
  EXPECT_EQ(pump.pumps, 5);
  EXPECT_EQ(host.released, std::vector<ProcessId>{42});
  EXPECT_EQ(BarValues(), (std::vector<int64_t>{20, 40, 60, 80, 100}));

  host.exitCodes = {kStillActive, 0};
  ShellAndWait(session, "b.bat", 0);
  EXPECT_EQ(BarValues(), (std::vector<int64_t>{20, 40, 60, 80, 100, 20, 40}));
  EXPECT_EQ(session.programs.shellAnimationStep, 40);
}

TEST_F(ShellWaitTest, OnlyTheWatcherClosesTheWindowOnceItsTitleSaysFinished) {
  int activations = 0;
  host.titles = {"Tessaly.bat", "", "finished - Tessaly.bat"};
  host.exitCodes = {kStillActive, kStillActive, kStillActive, 0};
  EXPECT_EQ(ShellAndWatch(
                session, "b.bat", [&] { ++activations; }, 1),
            0);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(host.closed, std::vector<ConsoleWindowId>{7});
  EXPECT_TRUE(host.titles.empty());

  // A title that only mentions the word somewhere else is not the end.
  host.titles = {"Not finished yet", "Tessaly.bat"};
  host.exitCodes = {kStillActive, 0};
  host.closed.clear();
  ShellAndWatch(
      session, "b.bat", [&] { ++activations; }, 1);
  EXPECT_TRUE(host.closed.empty());
  EXPECT_EQ(activations, 1);
}

}  // namespace
}  // namespace tessaly::testing
