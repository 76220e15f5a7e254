// The destination folder held open for one extraction, and the folder of each entry
// reached from it in one system call: beneath it and through no link at all, which is
// stricter than the path-safety function asks. Where that cannot be done (a level is
// missing, a link lies on the way, or the system lacks openat2), the caller takes the
// path-safety function's road instead.
#pragma once

#include <string>
#include <utility>

namespace archivekit {

// An open folder, closed when it goes unless it is the destination itself.
class EntryFolder {
 public:
  EntryFolder() = default;
  EntryFolder(int fd, bool owned) : fd_(fd), owned_(owned) {}
  EntryFolder(EntryFolder&& other) noexcept : fd_(other.fd_), owned_(other.owned_) {
    other.fd_ = -1;
  }
  EntryFolder& operator=(EntryFolder&& other) noexcept {
    std::swap(fd_, other.fd_);
    std::swap(owned_, other.owned_);
    return *this;
  }
  ~EntryFolder();
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  bool owned_ = false;
};

class HeldDestination {
 public:
  // root: "" for the current folder, else a folder ending in "/".
  explicit HeldDestination(const std::string& root);
  ~HeldDestination();
  HeldDestination(const HeldDestination&) = delete;
  HeldDestination& operator=(const HeldDestination&) = delete;

  // The folder that holds relative (a name as safepath_clean leaves it: no "..", no
  // leading or doubled "/"). Its fd is -1, errno telling why, when a level is missing
  // (ENOENT, ENOTDIR), a link lies on the way (ELOOP, EXDEV) or the system cannot do
  // it (ENOSYS, EPERM).
  EntryFolder open_folder_of(const std::string& relative) const;

 private:
  int fd_;
};

}  // namespace archivekit
