// ShellAndWait over a scripted console host: the batch runner it starts and the window
// style it starts with.
#include "engine/arj/shell_wait.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/engine_fixture.h"

namespace tessaly::testing {
namespace {

class ScriptedConsoleHost : public ConsoleHost {
 public:
  std::optional<ProcessId> Start(const std::vector<std::string>& argv, int windowStyle,
                                 int&) override {
    startedArgv = argv;
    startedStyle = windowStyle;
    return 42;
  }
  int32_t ExitCode(ProcessId) override {
    if (exitCodes.empty()) return kStillActive;
    const int32_t code = exitCodes.front();
    exitCodes.pop_front();
    return code;
  }
  std::optional<ConsoleWindowId> FindConsoleWindow(ProcessId) override { return std::nullopt; }
  std::string WindowTitle(ConsoleWindowId) override { return ""; }
  void CloseWindow(ConsoleWindowId) override {}
  void Release(ProcessId) override {}

  std::deque<int32_t> exitCodes;
  std::vector<std::string> startedArgv;
  int startedStyle = -1;
};

class ShellWaitTest : public EngineTest {
 protected:
  ShellWaitTest() {
    session.programs.host = &host;
    session.programs.batchRunner = "/opt/tessaly/tessaly-batch";
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

}  // namespace
}  // namespace tessaly::testing
