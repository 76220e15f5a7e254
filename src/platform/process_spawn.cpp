#include "platform/process_spawn.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

extern char** environ;
#include "platform/interruption.h"

namespace tessaly {

int StartErrorNumber(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return 53;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ENOEXEC:
      return 70;
    default:
      return 5;
  }
}

namespace {

int StatusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return 1;
}

// posix_spawn's own clean-up, so that no early return leaks the attributes.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
};

}  // namespace

std::optional<int> SpawnProcess(const std::vector<std::string>& argv, const SpawnOptions& options,
                                int& errorNumber) {
  errorNumber = 0;
  if (argv.empty() || argv[0].empty()) {
    errorNumber = 53;
    return std::nullopt;
  }
  SpawnSetup setup;
  if (options.hidden) {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
      posix_spawn_file_actions_addopen(&setup.actions, fd, "/dev/null",
                                       fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    }
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETPGROUP);
  }
  if (options.stdoutFile) {
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, options.stdoutFile->c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (options.channel) posix_spawn_file_actions_adddup2(&setup.actions, *options.channel, 3);
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int error =
      posix_spawn(&pid, argv[0].c_str(), &setup.actions, &setup.attributes, args.data(), environ);
  if (error != 0) {
    errorNumber = StartErrorNumber(error);
    return std::nullopt;
  }
  WatchHelperProcess(pid);
  return pid;
}

std::optional<int> PollProcess(int pid) {
  int waitStatus = 0;
  const pid_t done = waitpid(pid, &waitStatus, WNOHANG);
  if (done == 0 || (done < 0 && errno == EINTR)) return std::nullopt;
  ForgetHelperProcess(pid);
  // Not ours, or already reaped: nothing to wait for any more.
  return done == pid ? StatusOf(waitStatus) : 1;
}

int WaitProcess(int pid) {
  int waitStatus = 0;
  pid_t done;
  do {
    done = waitpid(pid, &waitStatus, 0);
  } while (done < 0 && errno == EINTR);
  ForgetHelperProcess(pid);
  if (done != pid) return 1;
  return StatusOf(waitStatus);
}

void TerminateProcess(int pid) {
  if (pid <= 0) return;
  if (getpgid(pid) == pid) {
    kill(-pid, SIGTERM);
  } else {
    kill(pid, SIGTERM);
  }
}

std::optional<uint64_t> BytesWrittenBy(int pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "wchar:") return value;
  }
  return std::nullopt;
}

std::string HelperProgramFor(const std::string& exeFolder, const std::string& name) {
  const std::filesystem::path folder(exeFolder);
  const std::filesystem::path beside = folder / name;
  const std::filesystem::path installed = folder / ".." / "libexec" / "tessaly" / name;
  std::error_code error;
  // A file of that name beside us wins, as in the build folder; a folder does not count.
  if (std::filesystem::is_regular_file(beside, error)) return beside.string();
  if (std::filesystem::is_regular_file(installed, error)) {
    return installed.lexically_normal().string();
  }
  return beside.string();
}

std::string HelperProgram(const std::string& name) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  // No guess from the working directory: an unknown location starts nothing.
  if (error) return "";
  return HelperProgramFor(self.parent_path().string(), name);
}

}  // namespace tessaly
