// Starting a program from an argv without a shell, and learning how it ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct SpawnOptions {
  // Standard input, output and error on /dev/null, in a process group of its own so
  // that ending it ends whatever it started. Otherwise they are inherited.
  bool hidden = false;
  // Standard output to this file (created or truncated) instead.
  std::optional<std::string> stdoutFile;
  // This descriptor becomes the program's descriptor 3.
  std::optional<int> channel;
};

// The error number for the errno value that stopped a start: 53 no such file, 70
// permission denied (also a folder or a file without execute permission), 5 anything else.
int StartErrorNumber(int error);

// Starts argv[0] (a path: no search of PATH) with argv[1..]. On failure returns
// nothing and sets errorNumber as StartErrorNumber says.
std::optional<int> SpawnProcess(const std::vector<std::string>& argv, const SpawnOptions& options,
                                int& errorNumber);

// The exit status once the process has ended (reaped here; 128 + the signal for a
// killed one), nothing while it runs.
std::optional<int> PollProcess(int pid);
// Waits for the process to end and returns its status as PollProcess does.
int WaitProcess(int pid);
// Asks the process (and its group, when it leads one) to end.
void TerminateProcess(int pid);

// What the process has written so far with write calls (its "wchar"), when the system
// tells.
std::optional<uint64_t> BytesWrittenBy(int pid);

// Where a helper program called name is for an executable in exeFolder: beside it (the
// build folder), else in exeFolder/../libexec/tessaly/ (an install's layout). When it is
// in neither, the path beside the executable, so that the error names a real place.
std::string HelperProgramFor(const std::string& exeFolder, const std::string& name);
// HelperProgramFor the running executable ("" when its folder cannot be learnt).
std::string HelperProgram(const std::string& name);

}  // namespace tessaly
