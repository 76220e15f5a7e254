// Find Files: names matched by a pattern in a folder and every folder below it.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace tessaly {

// "*" any run, "?" one character, letters without regard to case; a pattern without
// either is looked for anywhere in the name, as a search box does.
bool FindPatternMatches(const std::string& name, const std::string& pattern);

// Walks folder (ends in "/") and below, links to folders not followed, and hands the
// full paths of matching files and folders to found in batches of at most batchSize,
// at least every tenth of a second while it finds. Stops early when stop becomes true.
void FindFiles(const std::string& folder, const std::string& pattern, const std::atomic<bool>& stop,
               const std::function<void(std::vector<std::string> batch)>& found,
               size_t batchSize = 200);

}  // namespace tessaly
