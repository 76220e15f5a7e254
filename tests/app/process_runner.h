// Runs a program as a child process with the given standard input, working folder and
// extra environment, and collects what it printed and how it ended.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"

namespace tessaly::testing {

struct ProcessResult {
  int exitStatus = -1;  // -1 when the process did not exit normally
  int signal = 0;       // the signal that ended it, 0 when it exited
  std::string out;
  std::string err;
};

struct ProcessRequest {
  std::vector<std::string> argv;  // argv[0] is the program's path
  std::string input;
  std::filesystem::path workDir;
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child only
  // Sent once, as soon as interruptWhen is true of what the program has said on its
  // standard error so far.
  int interruption = 0;
  std::function<bool(const std::string& err)> interruptWhen{};
  // Sent to the program's whole process group, as a terminal sends Ctrl+C.
  bool interruptGroup = false;
};

ProcessResult RunProcess(const ProcessRequest& request);

// The environment of a program run on its own: its settings in root/config, its
// temporary files in root/tmp (made here) and root as its home.
std::vector<std::pair<std::string, std::string>> IsolatedEnvironment(
    const std::filesystem::path& root);

}  // namespace tessaly::testing
