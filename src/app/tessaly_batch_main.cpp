// tessaly-batch: runs a batch file the program wrote, without a shell, and exits with
// the first non-zero status of its commands (0 when every one succeeded).
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "batch/batch_runner.h"
#include "batch/batch_text.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tessaly-batch BATCH-FILE\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::cerr << "tessaly-batch: cannot read \"" << argv[1] << "\"\n";
    return 2;
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const tessaly::BatchParse parse = tessaly::ParseBatch(text);
  if (!parse.error.empty()) {
    std::cerr << "tessaly-batch: \"" << argv[1] << "\", " << parse.error << "\n";
    return 2;
  }
  return tessaly::RunBatch(parse.commands, std::cerr);
}
