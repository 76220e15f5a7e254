// The console host of tessaly-extract: the terminal itself is the console window.
// A batch with a window style other than hidden runs on the terminal (the utility's
// questions are answered there); when it ends, "Finished" is printed and the window
// counts as closed. Hidden batches run with no terminal at all.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>

#include "platform/console_host.h"

namespace tessaly {

class TerminalConsoleHost : public ConsoleHost {
 public:
  explicit TerminalConsoleHost(std::ostream& terminal) : terminal_(terminal) {}

  std::optional<ProcessId> Start(const std::vector<std::string>& argv, int windowStyle,
                                 int& errorNumber) override;
  int32_t ExitCode(ProcessId process) override;
  std::optional<ConsoleWindowId> FindConsoleWindow(ProcessId process) override;
  std::string WindowTitle(ConsoleWindowId window) override;
  void CloseWindow(ConsoleWindowId window) override;
  void Release(ProcessId process) override;
  // Only a terminal on standard input: a pipe or /dev/null answers nothing.
  bool TakesAnswers() const override;

 private:
  struct Run {
    bool onTerminal = false;
    std::string title;
    std::optional<int> status;  // set once the process has ended
  };
  // The run's status once it has ended; says "Finished" on the terminal the first time.
  std::optional<int> Ended(ProcessId process, Run& run);

  std::ostream& terminal_;
  std::map<ProcessId, Run> runs_;
};

}  // namespace tessaly
