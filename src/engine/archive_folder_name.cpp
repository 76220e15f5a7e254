#include "engine/archive_folder_name.h"

#include "platform/ascii_case.h"

namespace tessaly {

namespace {

std::string WithoutVolumeNumber(std::string name) {
  const size_t volume = name.rfind('.');
  if (volume == std::string::npos || volume == 0) return name;
  const std::string suffix = AsciiLower(name.substr(volume + 1));
  const bool numbered = suffix.size() > 4 && suffix.compare(0, 4, "part") == 0 &&
                        suffix.find_first_not_of("0123456789", 4) == std::string::npos;
  if (numbered) name.resize(volume);
  return name;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string UsableFolderName(const std::string& name, const std::string& archivePath) {
  const std::string fileName = FileNameOf(archivePath);
  // "...zip" would give "..", "..zip" "." and ".zip" nothing: each a folder that
  // already exists outside the new one.
  const bool onlyDots = name.find_first_not_of('.') == std::string::npos;
  if (onlyDots || name == fileName || name.find('/') != std::string::npos) {
    return fileName + "_files";
  }
  return name;
}

std::string ArchiveFolderName(const std::string& archivePath) {
  const std::string fileName = FileNameOf(archivePath);
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return UsableFolderName(fileName, archivePath);
  return UsableFolderName(WithoutVolumeNumber(fileName.substr(0, dot)), archivePath);
}

}  // namespace tessaly
