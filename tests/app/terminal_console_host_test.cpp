// The terminal as console window: closing it early ends the program. That a visible run prints
// "Finished" once is driven through the built program by the ARJ extract-program tests.
#include "app/terminal_console_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

namespace tessaly {
namespace {

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

}  // namespace
}  // namespace tessaly
