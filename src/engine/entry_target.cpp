#include "engine/entry_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "safe_path.h"

namespace tessaly {

std::optional<EntryTarget> ResolveEntryTarget(const std::string& destination,
                                              const std::string& storedName) {
  std::vector<char> cleaned(storedName.size() + 1);
  const safepath_result resolved =
      safepath_resolve(destination.empty() ? nullptr : destination.c_str(), storedName.c_str(),
                       cleaned.data(), cleaned.size(), nullptr);
  if (resolved != SAFEPATH_OK) return std::nullopt;
  return EntryTarget{destination + cleaned.data(), cleaned.data()};
}

bool NamesTheDestination(const std::string& storedName) {
  std::vector<char> cleaned(storedName.size() + 1);
  return safepath_clean(storedName.c_str(), cleaned.data(), cleaned.size(), nullptr) ==
         SAFEPATH_EMPTY;
}

std::string ShownEntryName(const std::string& storedName) {
  std::vector<char> cleaned(storedName.size() + 1);
  if (safepath_clean(storedName.c_str(), cleaned.data(), cleaned.size(), nullptr) == SAFEPATH_OK) {
    return cleaned.data();
  }
  std::string shown = storedName;
  for (char& c : shown) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '_';
  }
  return shown;
}

std::string OutsideDestinationText(const std::string& shownName) {
  return "Tessaly did not extract \"" + shownName +
         "\": its path leads outside the destination folder.";
}

std::string LinkOutsideDestinationText(const std::string& shownName) {
  return "Tessaly did not create the link \"" + shownName +
         "\": its target lies outside the destination folder.";
}

std::string DestinationFolder(const std::string& text) {
  return text.empty() || text.ends_with('/') ? text : text + "/";
}

bool DestinationRefusesWrites(const std::string& destination) {
  return access(destination.empty() ? "." : destination.c_str(), W_OK | X_OK) != 0;
}

bool FileWouldBeReplaced(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace tessaly
