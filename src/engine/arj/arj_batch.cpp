#include "engine/arj/arj_batch.h"

#include "batch/batch_text.h"

namespace tessaly {

std::optional<std::string> BatchPath(const std::string& path) {
  return QuoteBatchArgument(!path.empty() && path.front() == '-' ? "./" + path : path);
}

std::optional<std::string> ArjExtractLine(const std::string& arjLocation,
                                          const std::string& arjOptions, const std::string& archive,
                                          const std::string& destination,
                                          const std::string& password) {
  const std::optional<std::string> program = BatchPath(arjLocation);
  const std::optional<std::string> source = BatchPath(archive);
  if (!program || !source) return std::nullopt;
  // The staging folder starts empty: without "-jyc" the utility would ask before making
  // each folder, also where nobody sees its window.
  std::string line = *program + " x -v -jyc " + arjOptions;
  if (!password.empty()) {
    const std::optional<std::string> garbleSwitch = QuoteBatchArgument("-g" + password);
    if (!garbleSwitch) return std::nullopt;
    line += *garbleSwitch + " ";
  }
  line += *source;
  if (destination.empty()) return line;
  // The utility takes a destination as a folder only when it ends in "/".
  const std::optional<std::string> target =
      BatchPath(destination.back() == '/' ? destination : destination + "/");
  if (!target) return std::nullopt;
  return line + " " + *target;
}

std::optional<std::string> ArjListLine(const std::string& arjLocation, const std::string& archive,
                                       const std::string& listingFile) {
  const std::optional<std::string> program = BatchPath(arjLocation);
  const std::optional<std::string> source = BatchPath(archive);
  const std::optional<std::string> listing = BatchPath(listingFile);
  if (!program || !source || !listing) return std::nullopt;
  return *program + " v -v -y " + *source + ">" + *listing;
}

std::string BatchText(const std::vector<std::string>& lines) {
  std::string text = std::string(kBatchEchoOff) + kBatchLineEnd;
  for (const std::string& line : lines) text += line + kBatchLineEnd;
  return text;
}

}  // namespace tessaly
