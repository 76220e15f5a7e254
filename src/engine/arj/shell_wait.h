// Running a batch file through the console host and waiting for it while the
// windows stay alive: ShellAndWait only waits, ShellAndWatch also closes the
// batch's console window as soon as its title says the batch has finished.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/confinement.h"
#include "platform/console_host.h"

namespace tessaly {

struct Session;

// How a front end runs external programs: set by each front end (tests set their own).
struct ExternalPrograms {
  ConsoleHost* host = nullptr;
  std::string batchRunner;  // the tessaly-batch program that executes batch files
  // The tessaly-reader program that reads archives confined; "" reads them here (the
  // reader itself).
  std::string reader;
  // The value the Status window's bar shows while a wait goes on; it resumes where
  // the last wait left it.
  int32_t shellAnimationStep = 0;
};

// Added to the error number when the batch cannot be started.
inline constexpr uint32_t kShellStartFailure = 0x80040000u;

// Window show codes 0 (hidden) to 6; missing or out of range means 6.
int NormalizeWindowStyle(std::optional<int> windowStyle);

// Runs batchFile within walls (the runner puts them up before it starts anything) and
// waits for it, polling every 100 ms and letting events run. The exit code, or the
// start failure's number plus kShellStartFailure.
int32_t ShellAndWait(Session& session, const std::string& batchFile, const ConfinementPlan& walls,
                     std::optional<int> windowStyle = std::nullopt);
// As ShellAndWait; when the console window's title begins with "Finished" (in any
// case) activateOwner is called and the window is closed.
int32_t ShellAndWatch(Session& session, const std::string& batchFile, const ConfinementPlan& walls,
                      const std::function<void()>& activateOwner,
                      std::optional<int> windowStyle = std::nullopt);

}  // namespace tessaly
