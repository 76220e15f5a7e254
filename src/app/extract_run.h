// One run of tessaly-extract over its arguments, with the streams as parameters so
// that the whole flow runs in tests too.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tessaly {

class Form4;

struct ConsoleStreams {
  std::istream& in;
  std::ostream& out;  // listings, --help, --version
  std::ostream& err;  // messages, questions, the Status window's lines
  bool inputIsTerminal = false;
};

// The exit status; args are the program's arguments without its name.
int RunExtract(const std::vector<std::string>& args, const ConsoleStreams& streams);

// 0 when the Status window ended with "has finished", 1 with "did not finish", 2 when
// the job never reached the Status window.
int ExitStatusFor(const Form4& status);

}  // namespace tessaly
