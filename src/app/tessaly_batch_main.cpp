// tessaly-batch: runs a batch file the program wrote, without a shell, and exits with
// the first non-zero status of its commands (0 when every one succeeded). Given walls
// ("--read DIR", "--write DIR", "--memory BYTES"), it puts them up first: the programs
// of the batch run inside them.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "batch/batch_runner.h"
#include "batch/batch_text.h"
#include "platform/confinement.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  size_t taken = 0;
  tessaly::ConfinementPlan walls = tessaly::ParseConfinementArguments(args, taken);
  if (args.size() != taken + 1) {
    std::cerr << "usage: tessaly-batch [--read DIR]... [--write DIR]... [--memory BYTES] "
                 "BATCH-FILE\n";
    return 2;
  }
  const std::string& batchFile = args.back();
  if (taken > 0) {
    walls.startsPrograms = true;
    tessaly::Confine(walls);
  }
  std::ifstream file(batchFile, std::ios::binary);
  if (!file) {
    std::cerr << "tessaly-batch: cannot read \"" << batchFile << "\"\n";
    return 2;
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const tessaly::BatchParse parse = tessaly::ParseBatch(text);
  if (!parse.error.empty()) {
    std::cerr << "tessaly-batch: \"" << batchFile << "\", " << parse.error << "\n";
    return 2;
  }
  return tessaly::RunBatch(parse.commands, std::cerr);
}
