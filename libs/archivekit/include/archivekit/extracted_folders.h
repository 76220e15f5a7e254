// The folders one extraction has made, given their recorded times (and modes) only
// when it ends: writing into a folder changes its time, and a folder made read-only
// early could not be filled. Deepest last made, first finished.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace archivekit {

template <typename Entry>
class ExtractedFolders {
 public:
  using Finish = void (*)(const std::string& path, const Entry& entry);
  explicit ExtractedFolders(Finish finish) : finish_(finish) {}
  ~ExtractedFolders() {
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
      finish_(folder->first, folder->second);
    }
  }
  ExtractedFolders(const ExtractedFolders&) = delete;
  ExtractedFolders& operator=(const ExtractedFolders&) = delete;

  void add(std::string path, const Entry& entry) { folders_.emplace_back(std::move(path), entry); }

 private:
  Finish finish_;
  std::vector<std::pair<std::string, Entry>> folders_;
};

}  // namespace archivekit
