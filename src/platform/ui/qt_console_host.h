// The desktop program's ConsoleHost: a hidden program runs with no window, any other
// window style runs it on a pseudo-terminal inside a console window of its own.
#pragma once

#include <map>
#include <memory>

#include "platform/console_host.h"
#include "platform/ui/console_window.h"

namespace tessaly {

class QtConsoleHost : public ConsoleHost {
 public:
  QtConsoleHost();
  ~QtConsoleHost() override;
  QtConsoleHost(const QtConsoleHost&) = delete;
  QtConsoleHost& operator=(const QtConsoleHost&) = delete;

  std::optional<ProcessId> Start(const std::vector<std::string>& argv, int windowStyle,
                                 int& errorNumber) override;
  int32_t ExitCode(ProcessId process) override;
  std::optional<ConsoleWindowId> FindConsoleWindow(ProcessId process) override;
  std::string WindowTitle(ConsoleWindowId window) override;
  void CloseWindow(ConsoleWindowId window) override;
  void Release(ProcessId process) override;

  // The window itself, null for an unknown id.
  ConsoleWindow* Window(ConsoleWindowId window) const;

 private:
  struct HiddenProcess {
    std::optional<int> status;
  };

  // A console window is known by the id of the process it runs.
  std::map<ProcessId, std::unique_ptr<ConsoleWindow>> windows_;
  std::map<ProcessId, HiddenProcess> hidden_;
};

}  // namespace tessaly
