// The terminal as console window: closing it early ends the program; a hidden run has
// no window. That a visible run prints "Finished" once is driven through the built
// program by the ARJ extract-program tests.
#include "app/terminal_console_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "support/files.h"

namespace tessaly {
namespace {

int32_t WaitForExit(ConsoleHost& host, ProcessId process) {
  for (int i = 0; i < 200; ++i) {
    const int32_t code = host.ExitCode(process);
    if (code != kStillActive) return code;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return kStillActive;
}

TEST(TerminalConsoleHostTest, ClosingTheWindowOfARunningProgramEndsIt) {
  std::ostringstream terminal;
  TerminalConsoleHost host(terminal);
  int error = 0;
  const std::optional<ProcessId> process = host.Start({"/bin/sleep", "30"}, 6, error);
  ASSERT_TRUE(process);
  EXPECT_EQ(host.ExitCode(*process), kStillActive);
  EXPECT_EQ(host.WindowTitle(*process), "30");
  const auto start = std::chrono::steady_clock::now();
  host.CloseWindow(*host.FindConsoleWindow(*process));
  EXPECT_EQ(host.ExitCode(*process), 128 + 15);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(TerminalConsoleHostTest, AHiddenRunHasNoWindowAndFailuresAreNumbered) {
  std::ostringstream terminal;
  TerminalConsoleHost host(terminal);
  int error = 0;
  const std::optional<ProcessId> process = host.Start({"/bin/true"}, 0, error);
  ASSERT_TRUE(process);
  EXPECT_FALSE(host.FindConsoleWindow(*process));
  EXPECT_EQ(WaitForExit(host, *process), 0);
  EXPECT_EQ(terminal.str(), "");

  EXPECT_FALSE(host.Start({"/no/such/program"}, 0, error));
  EXPECT_EQ(error, 53);
  EXPECT_FALSE(host.Start({"/etc"}, 1, error));
  EXPECT_EQ(error, 70);
  testing::TempFolder temp;
  testing::WriteFileText(temp.path() / "notes.txt", "not a program");
  EXPECT_FALSE(host.Start({(temp.path() / "notes.txt").string()}, 0, error));
  EXPECT_EQ(error, 70);
}

}  // namespace
}  // namespace tessaly
