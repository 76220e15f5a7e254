#include "engine/arj/shell_wait.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "engine/session.h"

namespace tessaly {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);
constexpr int kAnimationStep = 20;
constexpr int kAnimationTop = 100;
constexpr int kOtherStartError = 5;

int32_t StartFailure(int errorNumber) {
  return static_cast<int32_t>(kShellStartFailure + static_cast<uint32_t>(errorNumber));
}

std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

void Animate(Session& session) {
  if (session.job.probeMode) return;
  int32_t& step = session.programs.shellAnimationStep;
  if (step == kAnimationTop) step = 0;
  step += kAnimationStep;
  session.status.SetValue(step);
}

int32_t RunAndWait(Session& session, const std::string& batchFile, const ConfinementPlan& walls,
                   std::optional<int> windowStyle, const std::function<void()>* activateOwner) {
  ConsoleHost* host = session.programs.host;
  if (host == nullptr) return StartFailure(kOtherStartError);
  int errorNumber = kOtherStartError;
  std::vector<std::string> argv = {session.programs.batchRunner};
  const std::vector<std::string> wallArguments = ConfinementArguments(walls);
  argv.insert(argv.end(), wallArguments.begin(), wallArguments.end());
  argv.push_back(batchFile);
  const std::optional<ProcessId> process =
      host->Start(argv, NormalizeWindowStyle(windowStyle), errorNumber);
  if (!process) return StartFailure(errorNumber);

  // A plain id and flag: an optional here trips a false uninitialised-use warning.
  ConsoleWindowId window = 0;
  bool watchingWindow = false;
  if (activateOwner) {
    if (const std::optional<ConsoleWindowId> found = host->FindConsoleWindow(*process)) {
      window = *found;
      watchingWindow = true;
    }
  }
  int32_t exitCode = kStillActive;
  do {
    if (watchingWindow) {
      const std::string title = host->WindowTitle(window);
      if (!title.empty() && UpperCase(title).rfind("FINISHED", 0) == 0) {
        if (*activateOwner) (*activateOwner)();
        host->CloseWindow(window);
        watchingWindow = false;
      }
    }
    exitCode = host->ExitCode(*process);
    session.events.pump();
    std::this_thread::sleep_for(kPollInterval);
    Animate(session);
  } while (exitCode == kStillActive);
  host->Release(*process);
  return exitCode;
}

}  // namespace

int NormalizeWindowStyle(std::optional<int> windowStyle) {
  if (!windowStyle || *windowStyle < 0 || *windowStyle > 6) return 6;
  return *windowStyle;
}

int32_t ShellAndWait(Session& session, const std::string& batchFile, const ConfinementPlan& walls,
                     std::optional<int> windowStyle) {
  return RunAndWait(session, batchFile, walls, windowStyle, nullptr);
}

int32_t ShellAndWatch(Session& session, const std::string& batchFile, const ConfinementPlan& walls,
                      const std::function<void()>& activateOwner, std::optional<int> windowStyle) {
  return RunAndWait(session, batchFile, walls, windowStyle, &activateOwner);
}

}  // namespace tessaly
