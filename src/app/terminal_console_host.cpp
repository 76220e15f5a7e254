#include "app/terminal_console_host.h"

#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "platform/process_spawn.h"

namespace tessaly {

std::optional<ProcessId> TerminalConsoleHost::Start(const std::vector<std::string>& argv,
                                                    int windowStyle, int& errorNumber) {
  SpawnOptions options;
  options.hidden = windowStyle == 0;
  const std::optional<int> pid = SpawnProcess(argv, options, errorNumber);
  if (!pid) return std::nullopt;
  Run run;
  run.onTerminal = !options.hidden;
  run.title = std::filesystem::path(argv.back()).filename().string();
  runs_[*pid] = run;
  return *pid;
}

std::optional<int> TerminalConsoleHost::Ended(ProcessId process, Run& run) {
  if (run.status) return run.status;
  run.status = PollProcess(process);
  if (run.status && run.onTerminal) terminal_ << "Finished\n" << std::flush;
  return run.status;
}

int32_t TerminalConsoleHost::ExitCode(ProcessId process) {
  const auto found = runs_.find(process);
  if (found == runs_.end()) return 1;
  return Ended(process, found->second).value_or(kStillActive);
}

std::optional<ConsoleWindowId> TerminalConsoleHost::FindConsoleWindow(ProcessId process) {
  const auto found = runs_.find(process);
  if (found == runs_.end() || !found->second.onTerminal) return std::nullopt;
  return process;
}

std::string TerminalConsoleHost::WindowTitle(ConsoleWindowId window) {
  const auto found = runs_.find(window);
  if (found == runs_.end()) return "";
  Run& run = found->second;
  return Ended(window, run) ? "Finished - " + run.title : run.title;
}

void TerminalConsoleHost::CloseWindow(ConsoleWindowId window) {
  const auto found = runs_.find(window);
  if (found == runs_.end() || found->second.status) return;
  TerminateProcess(window);
  found->second.status = WaitProcess(window);
}

void TerminalConsoleHost::Release(ProcessId process) {
  runs_.erase(process);
}

bool TerminalConsoleHost::TakesAnswers() const {
  return isatty(STDIN_FILENO) != 0;
}

}  // namespace tessaly
