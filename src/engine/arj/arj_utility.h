// Where the arj utility is: the location chosen in Options, else "arj" found on PATH.
#pragma once

#include <optional>
#include <string>

namespace tessaly {

struct SettingsVars;

// The stored location as it is when there is one; else the first runnable "arj" in a
// folder of PATH, looked up on every call so that a later installation is found and
// nothing is stored; nothing when neither exists.
std::optional<std::string> FindArjUtility(const SettingsVars& settings);

// What a job on an ARJ archive says when FindArjUtility finds nothing.
inline constexpr const char* kArjUtilityMissingText =
    "You have not specified the location of \"arj\". Choose \"Options\" from the Edit menu to "
    "do this. Tessaly cannot extract \"arj\" archives until you do.";

}  // namespace tessaly
