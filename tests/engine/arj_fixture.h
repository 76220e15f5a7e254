// What the ARJ tests share: a console host that runs batches for real (hidden ones
// with no terminal, visible ones on this process's terminal) and keeps each start's
// batch file, and an engine set up to extract with the installed ARJ utility.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/terminal_console_host.h"
#include "support/engine_fixture.h"

namespace tessaly::testing {

inline constexpr const char* kArj = "/usr/bin/arj";

class RecordingConsoleHost : public ConsoleHost {
 public:
  std::optional<ProcessId> Start(const std::vector<std::string>& argv, int windowStyle,
                                 int& errorNumber) override;
  int32_t ExitCode(ProcessId process) override { return real_.ExitCode(process); }
  std::optional<ConsoleWindowId> FindConsoleWindow(ProcessId process) override {
    return real_.FindConsoleWindow(process);
  }
  std::string WindowTitle(ConsoleWindowId window) override { return real_.WindowTitle(window); }
  void CloseWindow(ConsoleWindowId window) override { real_.CloseWindow(window); }
  void Release(ProcessId process) override { real_.Release(process); }

  std::vector<std::string> batches;  // each start's batch file as the run began
  // From this start on (counted from 1) nothing starts, as with a missing program; 0: never.
  size_t failFromStart = 0;

 private:
  std::ostringstream terminal_;
  TerminalConsoleHost real_{terminal_};
};

class ArjTest : public EngineTest {
 protected:
  ArjTest();
  void SetUp() override;

  // Runs the ARJ utility in folder; its exit status.
  static int RunArj(const std::vector<std::string>& args, const std::string& folder);
  // Makes archive (a path) with `arj a -r` from files (relative path -> content),
  // with extra switches such as a volume size. Returns archive.
  std::string MakeArj(const std::string& archive, const std::map<std::string, std::string>& files,
                      const std::vector<std::string>& switches = {});
  // The private temporary folder the engine uses, ending in "/".
  std::string Scratch() const;
  // "@echo off" and lines, CR LF ended.
  static std::string Batch(const std::vector<std::string>& lines);
  // Extracts archives into PathOf("out"), made first.
  void ExtractInto(const std::vector<std::string>& archives);

  RecordingConsoleHost host;
};

}  // namespace tessaly::testing
