#include "platform/interruption.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "archivekit/staging.h"

namespace tessaly {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

struct Interruption {
  int pipe[2] = {-1, -1};
  std::atomic<bool> received{false};
  std::function<void()> lastStep;
  std::mutex helpersMutex;
  std::vector<int> helpers;
};

Interruption& interruption() {
  static Interruption* state = new Interruption;  // used until the very end
  return *state;
}

void EndAsKilledBy(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  kill(getpid(), signal);
  _exit(128 + signal);
}

void OnSignal(int signal) {
  Interruption& state = interruption();
  if (state.received.exchange(true)) EndAsKilledBy(signal);
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  if (write(state.pipe[1], &number, 1) != 1) EndAsKilledBy(signal);
  errno = saved;
}

// A helper leading its own group takes whatever it started along.
void EndHelpers(std::vector<int> helpers) {
  for (const int pid : helpers) kill(getpgid(pid) == pid ? -pid : pid, SIGKILL);
  for (const int pid : helpers) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    // Its group's other members die as the kernel gets to them.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (kill(-pid, 0) == 0 && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
}

void Watch() {
  Interruption& state = interruption();
  unsigned char number = 0;
  while (read(state.pipe[0], &number, 1) != 1) {
  }
  // A second signal from here on ends the program at once.
  std::vector<int> helpers;
  {
    const std::lock_guard<std::mutex> hold(state.helpersMutex);
    helpers = state.helpers;
  }
  EndHelpers(helpers);
  archivekit::remove_everything_staged();
  if (state.lastStep) state.lastStep();
  EndAsKilledBy(number);
}

}  // namespace

void EndOnInterruption(std::function<void()> lastStep) {
  Interruption& state = interruption();
  if (pipe2(state.pipe, O_CLOEXEC) != 0) return;
  state.lastStep = std::move(lastStep);
  std::thread(Watch).detach();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

bool Interrupted() {
  return interruption().received.load();
}

void AwaitInterruptionEnd() {
  for (;;) pause();
}

void WatchHelperProcess(int pid) {
  Interruption& state = interruption();
  const std::lock_guard<std::mutex> hold(state.helpersMutex);
  state.helpers.push_back(pid);
}

void ForgetHelperProcess(int pid) {
  Interruption& state = interruption();
  const std::lock_guard<std::mutex> hold(state.helpersMutex);
  state.helpers.erase(std::remove(state.helpers.begin(), state.helpers.end(), pid),
                      state.helpers.end());
}

}  // namespace tessaly
