#include "batch/batch_runner.h"

#include <ostream>

#include "platform/process_spawn.h"

namespace tessaly {

namespace {

const char* StartFailureText(int errorNumber) {
  switch (errorNumber) {
    case 53:
      return "no such file";
    case 70:
      return "permission denied";
    default:
      return "the program could not be started";
  }
}

}  // namespace

int RunBatch(const std::vector<BatchCommand>& commands, std::ostream& errors) {
  int status = 0;
  for (const BatchCommand& command : commands) {
    SpawnOptions options;
    options.stdoutFile = command.stdoutFile;
    int errorNumber = 0;
    const std::optional<int> pid = SpawnProcess(command.argv, options, errorNumber);
    if (!pid) {
      errors << "tessaly-batch: cannot run \"" << command.argv.front()
             << "\": " << StartFailureText(errorNumber) << "\n";
      if (status == 0) status = kBatchCannotStart;
      continue;
    }
    const int commandStatus = WaitProcess(*pid);
    if (status == 0) status = commandStatus;
  }
  return status;
}

}  // namespace tessaly
