// Creating what an entry becomes on disk, always inside the destination folder
// (its path checked by archivekit::resolve_output_path): folders on the way, the file's time and
// read-only attribute. Files themselves are written through archivekit::StagedFile, so an old file
// is replaced only by a whole, verified new one.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace unace {

// The folders one extraction has made or found, so that the levels above each entry
// are created once instead of being tried again for every file. Only folders are
// remembered: every entry's own path is still checked by
// archivekit::resolve_output_path.
class KnownFolders {
 public:
  // Creates the folders above path (and path itself when folder is true); 0 or the
  // errno of the failure.
  int make(const std::string& path, bool folder);
  // After a folder vanished under an entry, so that it is made again.
  void forget() { folders_.clear(); }

 private:
  int make_level(const std::string& level);

  std::unordered_set<std::string> folders_;
};

// The DOS modification time and, for files, the read-only attribute, on the open
// output file.
void apply_file_metadata(int fd, uint32_t dosTime, uint32_t attributes);
// The DOS modification time of an extracted folder; folders stay writable, so that
// extracting the archive again can fill them.
void apply_folder_time(const std::string& path, uint32_t dosTime);

}  // namespace unace
