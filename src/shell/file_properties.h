// The facts the Properties dialog shows of files and folders, read from the file
// system (the type's description and the time texts are the window's).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessaly {

struct FileFacts {
  bool found = false;    // false: the path could not be read; the rest is empty
  std::string name;      // the last part of the path; the count of items for several
  std::string location;  // the folder that holds it, ending in "/"
  std::string path;      // the first path, for the window's type lookup
  bool isFolder = false;
  uint64_t bytes = 0;  // a file's size, or the total of several files
  // The folders among the paths, whose sizes are counted apart.
  std::vector<std::string> folders;
  int64_t modified = 0;  // seconds since the epoch
  int64_t accessed = 0;
  std::string owner;  // user and group names; the number when the name is unknown
  std::string group;
  unsigned mode = 0;  // permission bits only
};

// Facts of one path or of several (names, files' sizes summed, folders listed; times,
// owner and mode those of the first). Links are looked through, as the file list does.
FileFacts GatherFileFacts(const std::vector<std::string>& paths);

// "7KB (6,234 bytes)": the list's size text and the exact count.
std::string SizeText(uint64_t bytes);

// "rwxr-x---" of the permission bits.
std::string PermissionText(unsigned mode);
// "0750".
std::string OctalModeText(unsigned mode);

// Adds up the sizes of the regular files in folder and below (links not followed),
// calling progress with the running total now and then and once at the end. Stops
// early when stop becomes true. Returns the total counted.
uint64_t CountFolderBytes(const std::string& folder, const std::atomic<bool>& stop,
                          const std::function<void(uint64_t total)>& progress);

}  // namespace tessaly
