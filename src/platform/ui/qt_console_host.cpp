#include "platform/ui/qt_console_host.h"

#include <filesystem>

#include "platform/process_spawn.h"

namespace tessaly {
namespace {

// The window is named after the file it runs: for the batch runner the batch file;
// when the last argument names a folder, after the program.
QString CommandTitle(const std::vector<std::string>& argv) {
  std::string title = std::filesystem::path(argv.back()).filename().string();
  if (title.empty()) title = std::filesystem::path(argv.front()).filename().string();
  return QString::fromStdString(title);
}

}  // namespace

QtConsoleHost::QtConsoleHost() = default;
QtConsoleHost::~QtConsoleHost() = default;

std::optional<ProcessId> QtConsoleHost::Start(const std::vector<std::string>& argv, int windowStyle,
                                              int& errorNumber) {
  errorNumber = 0;
  if (windowStyle == 0) {
    SpawnOptions options;
    options.hidden = true;
    const std::optional<int> pid = SpawnProcess(argv, options, errorNumber);
    if (pid) hidden_[*pid] = HiddenProcess{};
    return pid;
  }
  int error = 0;
  std::unique_ptr<PtyProcess> process = PtyProcess::Start(argv, error);
  if (!process) {
    errorNumber = StartErrorNumber(error);
    return std::nullopt;
  }
  const ProcessId pid = process->Id();
  auto window = std::make_unique<ConsoleWindow>(std::move(process), CommandTitle(argv));
  window->ShowInStyle(windowStyle);
  windows_[pid] = std::move(window);
  return pid;
}

int32_t QtConsoleHost::ExitCode(ProcessId process) {
  if (auto window = windows_.find(process); window != windows_.end()) {
    if (!window->second->Closed()) return kStillActive;
    return window->second->ExitStatus().value_or(kStillActive);
  }
  if (auto hidden = hidden_.find(process); hidden != hidden_.end()) {
    if (!hidden->second.status) hidden->second.status = PollProcess(process);
    return hidden->second.status.value_or(kStillActive);
  }
  // Not started here (or already released): nothing runs under that id.
  return 0;
}

std::optional<ConsoleWindowId> QtConsoleHost::FindConsoleWindow(ProcessId process) {
  if (windows_.count(process) == 0) return std::nullopt;
  return process;
}

std::string QtConsoleHost::WindowTitle(ConsoleWindowId window) {
  const ConsoleWindow* console = Window(window);
  return console != nullptr ? console->windowTitle().toStdString() : std::string();
}

void QtConsoleHost::CloseWindow(ConsoleWindowId window) {
  if (ConsoleWindow* console = Window(window)) console->close();
}

void QtConsoleHost::Release(ProcessId process) {
  windows_.erase(process);
  hidden_.erase(process);
}

ConsoleWindow* QtConsoleHost::Window(ConsoleWindowId window) const {
  const auto found = windows_.find(window);
  return found != windows_.end() ? found->second.get() : nullptr;
}

}  // namespace tessaly
