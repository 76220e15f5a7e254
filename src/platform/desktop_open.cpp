#include "platform/desktop_open.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace tessaly {

namespace {

constexpr const char* kOpener = "xdg-open";
constexpr std::chrono::milliseconds kPollInterval{10};

// The opener may run for as long as the file manager does: a detached thread
// waits for it so that it never lingers as a zombie, without touching SIGCHLD.
void ReapInBackground(pid_t child) {
  std::thread([child] {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

int OpenWithDesktop(const std::string& pathOrFolder, EventPump& events,
                    std::chrono::milliseconds patience) {
  std::string program = kOpener;
  std::string argument = pathOrFolder;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, kOpener, nullptr, nullptr, argv, environ) != 0) {
    return kDesktopOpenNoOpener;
  }
  // xdg-open ends with a failure status at once when no application takes the path
  // (no file manager set up); a desktop's own opener returns as soon as it started one.
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) {
      const bool opened = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      return opened ? kDesktopOpenStarted : kDesktopOpenNoOpener;
    }
    // Reaped elsewhere (SIGCHLD ignored): how it ended cannot be learnt.
    if (ended < 0 && errno != EINTR) return kDesktopOpenStarted;
    events.pump();
    std::this_thread::sleep_for(kPollInterval);
  }
  ReapInBackground(child);
  return kDesktopOpenStarted;
}

void ExploreFolder(const std::string& folder, EventPump& events, Dialogs& dialogs) {
  if (OpenWithDesktop(folder, events) == kDesktopOpenStarted) return;
  dialogs.MessageBox({"Tessaly could not open the folder \"" + folder + "\".", MsgButtons::OK,
                      MsgIcon::Exclamation, "Oops!"});
}

}  // namespace tessaly
