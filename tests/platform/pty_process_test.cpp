// PtyProcess runs real programs on a pseudo-terminal: they see a controlling
// terminal, their output and the typed keys pass through it, and ending them is quick
// and leaves nothing unreaped.
#include "platform/pty_process.h"

#include <errno.h>
#include <poll.h>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

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

int WaitForStatus(PtyProcess& process) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (const std::optional<int> status = process.ExitStatus()) return *status;
    std::this_thread::sleep_for(5ms);
  }
  ADD_FAILURE() << "the program did not end";
  return -1;
}

TEST(PtyProcess, ProgramWritesToItsOwnControllingTerminal) {
  auto process = StartOrFail({"/bin/sh", "-c",
                              "exec 3</dev/tty && [ -t 0 ] && [ -t 1 ] && [ -t 2 ] && "
                              "printf 'term=%s\\n' \"$TERM\"; echo oops >&2; exit 3"});
  ASSERT_NE(process, nullptr);
  // The terminal turns "\n" into "\r\n", as a terminal does.
  EXPECT_EQ(ReadUntil(*process), "term=dumb\r\noops\r\n");
  EXPECT_EQ(WaitForStatus(*process), 3);
  EXPECT_EQ(process->ExitStatus(), 3);
}

TEST(PtyProcess, TypedAnswerReachesTheProgramAndIsEchoed) {
  auto process = StartOrFail({"/bin/sh", "-c", "printf 'Overwrite? '; read a; echo \"got:$a\""});
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(ReadUntil(*process, "Overwrite? "), "Overwrite? ");
  EXPECT_EQ(process->Write("y\x7fyes\r"), 6u);
  const std::string rest = ReadUntil(*process);
  EXPECT_NE(rest.find("got:yes\r\n"), std::string::npos) << rest;
  EXPECT_EQ(WaitForStatus(*process), 0);
}

TEST(PtyProcess, ControlCInterruptsTheProgram) {
  auto process = StartOrFail({"/bin/sleep", "30"});
  ASSERT_NE(process, nullptr);
  EXPECT_FALSE(process->ExitStatus());
  process->Write("\x03");
  EXPECT_EQ(WaitForStatus(*process), 128 + SIGINT);
}

TEST(PtyProcess, EndStopsTheProgramQuicklyEvenWhenItIgnoresTheHangUp) {
  auto sleeper = StartOrFail({"/bin/sleep", "30"});
  ASSERT_NE(sleeper, nullptr);
  auto started = std::chrono::steady_clock::now();
  sleeper->End(2000ms);
  EXPECT_EQ(sleeper->ExitStatus(), 128 + SIGHUP);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);

  auto stubborn =
      StartOrFail({"/bin/sh", "-c", "trap '' HUP TERM; echo ready; while :; do :; done"});
  ASSERT_NE(stubborn, nullptr);
  ReadUntil(*stubborn, "ready");
  started = std::chrono::steady_clock::now();
  stubborn->End(100ms);
  EXPECT_EQ(stubborn->ExitStatus(), 128 + SIGKILL);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  // Ending an ended program changes nothing.
  stubborn->End(100ms);
  EXPECT_EQ(stubborn->ExitStatus(), 128 + SIGKILL);
}

TEST(PtyProcess, StartFailsForWhatCannotRun) {
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "pty_start";
  std::filesystem::create_directories(folder);
  const std::filesystem::path text = folder / "not-a-program";
  std::ofstream(text) << "plain text\n";
  chmod(text.c_str(), 0644);

  int error = 0;
  EXPECT_EQ(PtyProcess::Start({(folder / "missing").string()}, error), nullptr);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(PtyProcess::Start({text.string()}, error), nullptr);
  EXPECT_EQ(error, EACCES);
  EXPECT_EQ(PtyProcess::Start({folder.string()}, error), nullptr);
  EXPECT_EQ(error, EACCES);
  // A name without a folder is not looked up on PATH.
  EXPECT_EQ(PtyProcess::Start({"sleep", "1"}, error), nullptr);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(PtyProcess::Start({}, error), nullptr);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tessaly::testing
