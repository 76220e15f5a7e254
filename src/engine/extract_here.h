// "Extract Here": whether an archive's entries go beside it or into a new folder
// named after it, and the free numbered name when that folder already exists.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tessaly {

struct ExtractHereChoice {
  bool alwaysNewFolder = false;  // else only when the archive has several top-level items
  bool numberedFolder = false;   // "photos (2)" when "photos" exists, else File Exists asks
};

// Reads the two choices from the settings.
ExtractHereChoice ReadExtractHereChoice();

// True when the entries (stored names, "/" separated) need a folder of their own:
// they do not all lie under one top-level name. An empty listing (unreadable or empty
// archive) gets one too, so nothing lands loose beside the archive.
bool NeedsOwnFolder(const std::vector<std::string>& entryNames);

// name, or the first of "name (2)", "name (3)"... that taken says is free.
std::string FreeNumberedName(const std::string& name,
                             const std::function<bool(const std::string&)>& taken);

}  // namespace tessaly
