#include "engine/extract_here.h"

#include "settings/options_form.h"
#include "settings/settings_store.h"

namespace tessaly {

namespace {

// The first component of a stored name, leading "/" and "./" left aside as the
// path-safety rule drops them.
std::string TopLevelName(const std::string& storedName) {
  size_t start = 0;
  while (start < storedName.size()) {
    if (storedName[start] == '/') {
      ++start;
    } else if (storedName.compare(start, 2, "./") == 0) {
      start += 2;
    } else {
      break;
    }
  }
  const size_t end = storedName.find('/', start);
  return storedName.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

ExtractHereChoice ReadExtractHereChoice() {
  const SettingsStore store = ApplicationSettings();
  return {store.GetSetting(kExtractHereSection, kExtractHereAlwaysFolderKey, "0") == "1",
          store.GetSetting(kExtractHereSection, kExtractHereNumberedKey, "0") == "1"};
}

bool NeedsOwnFolder(const std::vector<std::string>& entryNames) {
  std::string top;
  for (const std::string& name : entryNames) {
    const std::string first = TopLevelName(name);
    if (first.empty()) continue;
    if (first == "." || first == "..") return true;
    if (top.empty()) top = first;
    if (first != top) return true;
  }
  return top.empty();
}

std::string FreeNumberedName(const std::string& name,
                             const std::function<bool(const std::string&)>& taken) {
  std::string candidate = name;
  for (int number = 2; taken(candidate); ++number) {
    candidate = name + " (" + std::to_string(number) + ")";
  }
  return candidate;
}

}  // namespace tessaly
