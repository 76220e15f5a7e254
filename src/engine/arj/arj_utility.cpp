#include "engine/arj/arj_utility.h"

#include <cstdlib>

#include "platform/files.h"
#include "settings/settings_vars.h"

namespace tessaly {

namespace {

// The search path a program started without PATH gets.
constexpr const char* kDefaultSearchPath = "/bin:/usr/bin";

}  // namespace

std::optional<std::string> FindArjUtility(const SettingsVars& settings) {
  if (!settings.arjLocation.empty()) return settings.arjLocation;
  const char* variable = std::getenv("PATH");
  const std::string searchPath = variable == nullptr ? kDefaultSearchPath : variable;
  size_t start = 0;
  while (start <= searchPath.size()) {
    size_t end = searchPath.find(':', start);
    if (end == std::string::npos) end = searchPath.size();
    // An empty entry is the working directory.
    const std::string folder = end == start ? "." : searchPath.substr(start, end - start);
    const std::string candidate = folder + "/arj";
    if (ExecutableFileExists(candidate)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace tessaly
