#include "platform/pty_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

extern char** environ;
#include "platform/interruption.h"

namespace tessaly {
namespace {

// The console window is no full terminal: programs that ask for TERM get told so.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (strncmp(*entry, "TERM=", 5) != 0) entries.emplace_back(*entry);
  }
  entries.emplace_back("TERM=dumb");
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

constexpr int kUnknownStatus = 1;

int StatusNumber(int waitStatus) {
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return WEXITSTATUS(waitStatus);
}

int OpenMaster(std::string& slavePath) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return -1;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0 ||
      fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
    const int error = errno;
    close(master);
    errno = error;
    return -1;
  }
  slavePath = name;
  const winsize size{25, 80, 0, 0};
  ioctl(master, TIOCSWINSZ, &size);
  return master;
}

// The child becomes a session leader first, so opening the terminal's slave side
// (without O_NOCTTY) makes it the controlling terminal: Ctrl+C and the hang-up on
// close reach the program's process group.
int SpawnOnTerminal(const std::vector<std::string>& argv, const std::string& slavePath,
                    pid_t& pid) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, slavePath.c_str(), O_RDWR, 0);
  posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDERR_FILENO);
  sigset_t all;
  sigset_t none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  std::vector<std::string> arguments = argv;
  std::vector<std::string> environment = ChildEnvironment();
  const int error = posix_spawn(&pid, argv[0].c_str(), &actions, &attributes,
                                Pointers(arguments).data(), Pointers(environment).data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

}  // namespace

std::unique_ptr<PtyProcess> PtyProcess::Start(const std::vector<std::string>& argv, int& error) {
  if (argv.empty() || argv[0].empty()) {
    error = ENOENT;
    return nullptr;
  }
  std::string slavePath;
  const int master = OpenMaster(slavePath);
  if (master < 0) {
    error = errno;
    return nullptr;
  }
  pid_t pid = 0;
  error = SpawnOnTerminal(argv, slavePath, pid);
  if (error != 0) {
    close(master);
    return nullptr;
  }
  WatchHelperProcess(pid);
  return std::unique_ptr<PtyProcess>(new PtyProcess(pid, master));
}

PtyProcess::~PtyProcess() {
  End(std::chrono::milliseconds(200));
  close(master_);
}

std::optional<std::string> PtyProcess::Read() {
  // A bounded share per call, so a program that never stops writing cannot hold the
  // caller in this loop.
  constexpr size_t kShare = 65536;
  std::string output;
  char buffer[16384];
  while (output.size() < kShare) {
    const ssize_t got = read(master_, buffer, sizeof buffer);
    if (got > 0) {
      output.append(buffer, static_cast<size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    // EIO: every holder of the slave side has closed it.
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
      if (output.empty()) return std::nullopt;
    }
    return output;
  }
  return output;
}

size_t PtyProcess::Write(std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(master_, bytes.data() + done, bytes.size() - done);
    if (put > 0) {
      done += static_cast<size_t>(put);
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return done;
}

std::optional<int> PtyProcess::ExitStatus() {
  if (status_) return status_;
  int waitStatus = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid_, &waitStatus, WNOHANG);
  } while (reaped < 0 && errno == EINTR);
  if (reaped == pid_) status_ = StatusNumber(waitStatus);
  // Reaped by someone else: it has ended, how is unknown.
  if (reaped < 0 && errno == ECHILD) status_ = kUnknownStatus;
  if (status_) ForgetHelperProcess(pid_);
  return status_;
}

void PtyProcess::End(std::chrono::milliseconds grace) {
  if (ExitStatus()) return;
  // Until it is reaped the pid names this program's group, so the signals cannot
  // reach another one.
  kill(-pid_, SIGHUP);
  kill(-pid_, SIGTERM);
  kill(-pid_, SIGCONT);
  const auto deadline = std::chrono::steady_clock::now() + grace;
  while (std::chrono::steady_clock::now() < deadline) {
    if (ExitStatus()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(-pid_, SIGKILL);
  int waitStatus = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid_, &waitStatus, 0);
  } while (reaped < 0 && errno == EINTR);
  status_ = reaped == pid_ ? StatusNumber(waitStatus) : kUnknownStatus;
  ForgetHelperProcess(pid_);
}

}  // namespace tessaly
