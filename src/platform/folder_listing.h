// The rows of the main window's file list: the folders of a folder, then its files
// that match the file-type filter, with the size and date texts the list shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

struct FileListItem {
  std::string text;     // the name as stored
  std::string iconKey;  // "DOS" for a folder, else IconKeyFor(the name's extension)
  std::string size;     // FormatFileSize; "" for a folder
  std::string tag;      // full path of a folder (path + name); "" for a file
  uint64_t bytes = 0;
  int64_t mtime = 0;  // seconds since the epoch
  // Size and date not read yet: a big folder lists by name at once and each row
  // reads its details when it is first shown (LoadFileDetails).
  bool detailsPending = false;
};

// The folders of path (no dot folders; links to folders count), sorted without
// regard to case, followed by its regular files whose names match pattern (no dot
// files; "*" and "?" wildcards compared without regard to case, "*.*" takes every
// name), sorted by name the same way. path ends in "/". A folder that cannot be read
// gives an empty list. Regular files come with detailsPending set.
std::vector<FileListItem> ListFolder(const std::string& path, const std::string& pattern);

// The names of the regular files of folder ("" for the current folder; else ending
// in "/") that match pattern, as ListFolder finds and orders them.
std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern);

// Reads a pending file row's size and date (folder ends in "/"); a file that has
// gone since the listing keeps empty texts.
void LoadFileDetails(const std::string& folder, FileListItem& item);

// The size in kilobytes of 1,024 bytes, rounded up (0 bytes show as "0KB", 1 to 1,024
// as "1KB"), grouped with commas, followed by "KB".
std::string FormatFileSize(uint64_t bytes);

// The local date and time as "YYYY-MM-DD HH:MM:SS"; "" when it has no such form.
std::string FormatFileDate(int64_t unixTime);

// True when a comes before b in the order ListFolder sorts names: letters without
// regard to case, names equal that way in byte order.
bool NameOrderBefore(const std::string& a, const std::string& b);

// name matches pattern: "*" any run, "?" one character, letters without regard to
// case; a pattern ending in ".*" also takes names without a dot. Patterns separated by
// ";" ("*.tar;*.7z") match what any of them matches; ListFolder matches the same way.
bool MatchesFilePattern(const std::string& name, const std::string& pattern);

}  // namespace tessaly
