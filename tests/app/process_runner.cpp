#include "app/process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace tessaly::testing {

// Standard input, output and error are files, so no pipe can fill up and block.
ProcessResult RunProcess(const ProcessRequest& request) {
  ProcessResult result;
  const TempFolder streams;
  const std::string in = (streams.path() / "in").string();
  const std::string out = (streams.path() / "out").string();
  const std::string err = (streams.path() / "err").string();
  WriteFileText(in, request.input);
  std::vector<char*> argv;
  for (const std::string& arg : request.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    const int inFd = open(in.c_str(), O_RDONLY | O_CLOEXEC);
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (inFd < 0 || outFd < 0 || errFd < 0) _exit(126);
    dup2(inFd, STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    if (!request.workDir.empty() && chdir(request.workDir.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : request.environment) setenv(name.c_str(), value.c_str(), 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (child < 0) {
    result.err = "fork failed";
    return result;
  }
  int status = 0;
  bool interrupted = request.interruption == 0;
  while (!interrupted && waitpid(child, &status, WNOHANG) == 0) {
    if (request.interruptWhen(ReadFileText(err))) {
      kill(request.interruptGroup ? -child : child, request.interruption);
      interrupted = true;
    }
    usleep(5000);
  }
  if (interrupted) waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = ReadFileText(out);
  result.err = ReadFileText(err);
  return result;
}

std::vector<std::pair<std::string, std::string>> IsolatedEnvironment(
    const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "tmp");
  return {{"XDG_CONFIG_HOME", (root / "config").string()},
          {"TMPDIR", (root / "tmp").string()},
          {"HOME", root.string()}};
}

}  // namespace tessaly::testing
