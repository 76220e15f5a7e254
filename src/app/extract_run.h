// One run of tessaly-extract over its arguments, with the streams as parameters so
// that the whole flow runs in tests too.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tessaly {

struct ConsoleStreams {
  std::istream& in;
  std::ostream& out;  // listings, --help, --version
  std::ostream& err;  // messages, questions, the Status window's lines
  bool inputIsTerminal = false;
};

// The exit status; args are the program's arguments without its name.
int RunExtract(const std::vector<std::string>& args, const ConsoleStreams& streams);

}  // namespace tessaly
