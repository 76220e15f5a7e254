// Starting a program in a console window and watching it: what the ARJ branch and
// the probe need to run the batch file. Implemented by the desktop program (a Qt
// console window on a pseudo-terminal), by the console front end (the terminal
// itself), and by test doubles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// ExitCode's answer while the process (or, for a window style other than hidden,
// its console window) is still there.
constexpr int32_t kStillActive = 259;

using ProcessId = int;
using ConsoleWindowId = int;

class ConsoleHost {
 public:
  virtual ~ConsoleHost() = default;
  // Starts argv[0] with the arguments argv[1..] (never through a shell) in the window
  // style 0 (hidden: no window, output discarded) to 6. On failure returns nothing
  // and sets errorNumber (53 file not found, 70 permission denied, 5 any other).
  virtual std::optional<ProcessId> Start(const std::vector<std::string>& argv, int windowStyle,
                                         int& errorNumber) = 0;
  // kStillActive while it runs; with a console window, until that window is closed
  // (a finished batch's window stays until then). Then the program's exit status.
  virtual int32_t ExitCode(ProcessId process) = 0;
  // The top-level console window that belongs to the process, if it has one.
  virtual std::optional<ConsoleWindowId> FindConsoleWindow(ProcessId process) = 0;
  // Its title; it begins with "Finished" once the program has ended.
  virtual std::string WindowTitle(ConsoleWindowId window) = 0;
  // Closes the window; a program still running in it is ended.
  virtual void CloseWindow(ConsoleWindowId window) = 0;
  // Forgets a process whose exit code was read.
  virtual void Release(ProcessId process) = 0;
  // Someone can type the answer to a question the program asks in its window.
  virtual bool TakesAnswers() const { return true; }
};

}  // namespace tessaly
