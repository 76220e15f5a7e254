#include "platform/desktop_open.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace tessaly {

namespace {

constexpr const char* kOpener = "xdg-open";

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

int OpenWithDesktop(const std::string& pathOrFolder) {
  std::string program = kOpener;
  std::string argument = pathOrFolder;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, kOpener, nullptr, nullptr, argv, environ) != 0) {
    return kDesktopOpenNoOpener;
  }
  ReapInBackground(child);
  return kDesktopOpenStarted;
}

}  // namespace tessaly
