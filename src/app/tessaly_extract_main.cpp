// tessaly-extract: the console front end over the extraction engine.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/extract_run.h"
#include "platform/interruption.h"
#include "platform/large_buffers.h"
#include "platform/time_zone.h"
#include "settings/private_temp_folder.h"

int main(int argc, char** argv) {
  tessaly::ReturnLargeBuffersWhenFreed();
  tessaly::EndOnInterruption(tessaly::LeavePrivateTempFolder);
  tessaly::ReadTimeZoneOnce();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const tessaly::ConsoleStreams streams{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) == 1};
  const int exitStatus = tessaly::RunExtract(args, streams);
  tessaly::LeavePrivateTempFolder();
  return exitStatus;
}
