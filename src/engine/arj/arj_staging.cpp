#include "engine/arj/arj_staging.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "archivekit/staging.h"
#include "engine/arj/arj_headers.h"

namespace tessaly {

namespace {

constexpr const char* kClimbLevel = "_/";

// The leading ".." of a landing name.
size_t ClimbOf(const std::string& landing) {
  size_t levels = 0;
  while (landing.compare(levels * 3, 3, "../") == 0) ++levels;
  return landing.substr(levels * 3) == ".." ? levels + 1 : levels;
}

// Where a stored name begins once the utility has dropped its leading "/", "./" and
// "../".
size_t LeadingPartsDropped(const std::string& storedName) {
  size_t at = 0;
  for (;;) {
    if (storedName.compare(at, 1, "/") == 0) {
      at += 1;
    } else if (storedName.compare(at, 2, "./") == 0) {
      at += 2;
    } else if (storedName.compare(at, 3, "../") == 0) {
      at += 3;
    } else {
      return at;
    }
  }
}

size_t DotDotsIn(const std::string& text) {
  size_t count = 0;
  for (size_t at = text.find(".."); at != std::string::npos; at = text.find("..", at + 2)) {
    ++count;
  }
  return count;
}

}  // namespace

std::string ArjLandingName(const std::string& storedName) {
  std::vector<std::string> parts;
  size_t climbs = 0;
  size_t start = LeadingPartsDropped(storedName);
  while (start <= storedName.size()) {
    size_t end = storedName.find('/', start);
    if (end == std::string::npos) end = storedName.size();
    const std::string part = storedName.substr(start, end - start);
    if (part == "..") {
      if (parts.empty()) {
        ++climbs;
      } else {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string landing;
  for (size_t i = 0; i < climbs; ++i) landing += "../";
  for (const std::string& part : parts) landing += part + "/";
  if (!landing.empty()) landing.pop_back();
  return landing;
}

bool ArjNameStallsUtility(const std::string& storedName) {
  return storedName.compare(LeadingPartsDropped(storedName), 1, ".") == 0;
}

size_t ArjClimbLevels(const ArjHeaders& headers) {
  size_t deepestName = 0;
  size_t throughLinks = 0;
  for (const ArjEntryHeader& entry : headers.entries) {
    deepestName = std::max(deepestName, ClimbOf(ArjLandingName(entry.name)));
    if (entry.fileType == kArjSpecialFile) throughLinks += DotDotsIn(entry.extended);
  }
  return deepestName + throughLinks;
}

ArjStaging::~ArjStaging() {
  Remove();
}

bool ArjStaging::Create(const std::string& destination) {
  Remove();
  std::string folder;
  lock_ = archivekit::create_staging_folder(destination, folder);
  if (lock_ < 0) return false;
  root_ = folder + "/";
  return true;
}

std::optional<ArjStaging::ArchiveFolder> ArjStaging::AddArchive(size_t index, size_t climbs) {
  if (root_.empty()) {
    errno = ENOENT;
    return std::nullopt;
  }
  ArchiveFolder folder;
  folder.top = root_ + std::to_string(index) + "/";
  if (mkdir(folder.top.c_str(), S_IRWXU) != 0) return std::nullopt;
  folder.base = folder.top;
  for (size_t level = 0; level < climbs; ++level) {
    folder.base += kClimbLevel;
    if (mkdir(folder.base.c_str(), S_IRWXU) != 0) return std::nullopt;
  }
  return folder;
}

void ArjStaging::Remove() {
  if (root_.empty()) return;
  const std::string folder = root_.substr(0, root_.size() - 1);
  archivekit::remove_tree(folder);
  archivekit::forget_staged(folder);
  close(lock_);
  lock_ = -1;
  root_.clear();
}

}  // namespace tessaly
