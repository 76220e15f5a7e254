// The batch files the program writes for the ARJ utility, and how the batch runner
// reads them: "@echo off", then one command a line; double quotes group an argument
// (blanks and all) and nothing else is special but ">", which sends the command's
// standard output to the file named after it. No shell ever reads these lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

inline constexpr const char* kBatchEchoOff = "@echo off";
inline constexpr const char* kBatchLineEnd = "\r\n";

// text in double quotes, or nothing when it cannot be one argument of a line: a
// double quote, a line break or a NUL inside it would end the argument or the line.
std::optional<std::string> QuoteBatchArgument(const std::string& text);

struct BatchCommand {
  std::vector<std::string> argv;
  std::optional<std::string> stdoutFile;
  bool operator==(const BatchCommand&) const = default;
};

struct BatchParse {
  std::vector<BatchCommand> commands;
  std::string error;  // "" when every line was understood
};

// The commands of a batch file's text (CR LF or LF line ends). Blank lines and
// "@echo off" are skipped. An unclosed quote or a ">" without a file name is an error.
BatchParse ParseBatch(const std::string& text);

}  // namespace tessaly
