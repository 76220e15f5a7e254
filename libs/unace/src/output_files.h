// Creating what an entry becomes on disk, always inside the destination folder:
// the checked path, folders on the way, the file itself, its time and read-only
// attribute.
#pragma once

#include <cstdint>
#include <string>

namespace unace {

// The full path for name under root ("" = the current folder), checked so that it
// stays inside root; false when the name leaves nothing or leads outside.
bool output_path(const std::string& root, const std::string& name, std::string& path);
// Creates the folders above path (and path itself when folder is true); 0 or the
// errno of the failure.
int make_folders(const std::string& path, bool folder);
// A new file at path, replacing a file (never writing through a link) that is
// there; -1 with errno set when it cannot be created.
int create_output_file(const std::string& path);
// The DOS modification time and, for files, the read-only attribute.
void apply_metadata(const std::string& path, uint32_t dosTime, uint32_t attributes, bool folder);

}  // namespace unace
