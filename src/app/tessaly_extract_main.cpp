// tessaly-extract: the console front end over the extraction engine.
#include <stdlib.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/extract_run.h"

int main(int argc, char** argv) {
  // With TZ unset the C library re-reads /etc/localtime on every date conversion,
  // and libzip converts each entry's date whenever an archive is opened. Naming the
  // same default zone once stops that; a TZ the user set stays.
  setenv("TZ", ":/etc/localtime", 0);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const tessaly::ConsoleStreams streams{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) == 1};
  return tessaly::RunExtract(args, streams);
}
