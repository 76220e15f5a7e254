#include "engine/entry_messages.h"

namespace tessaly {

std::string CrcErrorText(const std::string& archiveName) {
  return "Tessaly encountered a CRC error while processing \"" + archiveName +
         "\". Operation aborted.";
}

std::string DamagedArchiveText(const std::string& archiveName) {
  return "Tessaly cannot extract \"" + archiveName + "\": the archive is damaged.";
}

std::string DriveReadErrorText(const std::string& archiveName) {
  // No blank before "is": the text stays as users have always seen it.
  return "There was an error reading from the drive on which " + archiveName +
         "is located. Operation aborted.";
}

std::string DiskFullText(const std::string& entryName) {
  return "Error writing " + entryName + ". Disk full. Operation aborting.";
}

std::string WriteFailedText(const std::string& entryName, const std::string& reason) {
  return "Tessaly could not write \"" + entryName + "\": " + reason + ".";
}

std::string UnsupportedMethodText(const std::string& entryName) {
  return "Tessaly could not extract \"" + entryName +
         "\": it is packed with a method this version does not support.";
}

std::string WithKeptDamagedText(const std::string& text, const std::string& shownName,
                                const std::string& keptPath) {
  const size_t suffix = keptPath.rfind(".damaged");
  if (suffix == std::string::npos) return text;
  return text + " " + KeptDamagedText(shownName + keptPath.substr(suffix));
}

std::string KeptDamagedText(const std::string& keptName) {
  return "The damaged file was kept as \"" + keptName + "\".";
}

}  // namespace tessaly
