// PtyProcess ends even a stubborn program quickly. The terminal itself, typed keys,
// Ctrl-C, the hang-up on closing and the other start failures are driven through the
// console window's tests.
#include "platform/pty_process.h"

#include <errno.h>
#include <poll.h>

#include <gtest/gtest.h>
#include <chrono>

namespace tessaly::testing {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<PtyProcess> StartOrFail(const std::vector<std::string>& argv) {
  int error = 0;
  std::unique_ptr<PtyProcess> process = PtyProcess::Start(argv, error);
  EXPECT_NE(process, nullptr) << "errno " << error;
  return process;
}

// Reads the terminal until the output holds wanted (or, with "", until no process
// holds the terminal any more); gives up after five seconds.
std::string ReadUntil(PtyProcess& process, const std::string& wanted = "") {
  std::string output;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (!wanted.empty() && output.find(wanted) != std::string::npos) break;
    pollfd ready{process.MasterFd(), POLLIN, 0};
    poll(&ready, 1, 50);
    const std::optional<std::string> piece = process.Read();
    if (!piece) break;
    output += *piece;
  }
  return output;
}

TEST(PtyProcess, EndStopsTheProgramQuicklyEvenWhenItIgnoresTheHangUp) {
  auto stubborn =
      StartOrFail({"/bin/sh", "-c", "trap '' HUP TERM; echo ready; while :; do :; done"});
  ASSERT_NE(stubborn, nullptr);
  ReadUntil(*stubborn, "ready");
  const auto started = std::chrono::steady_clock::now();
  stubborn->End(100ms);
  EXPECT_EQ(stubborn->ExitStatus(), 128 + SIGKILL);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  // Ending an ended program changes nothing.
  stubborn->End(100ms);
  EXPECT_EQ(stubborn->ExitStatus(), 128 + SIGKILL);
}

// A name without a folder is not looked up on PATH.
TEST(PtyProcess, StartFailsForWhatCannotRun) {
  int error = 0;
  EXPECT_EQ(PtyProcess::Start({"sleep", "1"}, error), nullptr);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(PtyProcess::Start({}, error), nullptr);
}

}  // namespace
}  // namespace tessaly::testing
