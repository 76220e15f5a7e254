// An entry's output file, written under a temporary name beside its final path and
// put in place only when the entry is whole and verified. Until then whatever is at
// the final path (an older file of the same name) stays untouched, and a failed or
// cancelled entry leaves nothing behind.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace archivekit {

class StagedFile {
 public:
  StagedFile() = default;
  // A file neither committed nor discarded is discarded.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Creates the temporary file in the folder of path (which must exist), with the
  // permissions a new file gets here, locked until it is committed or discarded
  // (archivekit/staging.h). False with errno set when it cannot be made.
  bool open(const std::string& path);
  // The same in the folder open as folder_fd (kept open by the caller until the file
  // is committed or discarded), which folder ("" or ending in "/") names; the file is
  // name there, and is created with mode (less the umask) as its final permissions.
  // Every step is taken relative to folder_fd, so no path is walked again.
  bool open_at(int folder_fd, const std::string& folder, const std::string& name, mode_t mode);
  // The same, but where the file system can, the file has no name at all until it is
  // committed (O_TMPFILE): nothing to lock, list or sweep, nothing left if the run is
  // killed, and commit only links it in. For a name nothing holds: one that something
  // took meanwhile is replaced all the same, through a staging name.
  bool open_unnamed_at(int folder_fd, const std::string& folder, const std::string& name,
                       mode_t mode);
  // An unnamed file given its name now if nothing holds it (so it replaces nothing),
  // and closed: commit() then only says so, and withdraw() takes it away again. False
  // (errno EEXIST when the name is taken) leaves the file as it was.
  bool place_if_free();
  bool placed() const { return placed_; }
  // Removes a file placed by place_if_free and not committed.
  void withdraw();
  bool is_open() const { return fd_ >= 0; }
  // Write here; times and modes set through it stay with the file when it is put in place.
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

  // Closes the file and renames it to its path, replacing a file or link there but
  // never a folder. False with errno set when either step fails; the temporary file
  // is gone then and the path untouched.
  bool commit();
  // Closes and removes the temporary file.
  void discard();
  // Closes the file and gives what was written of it the first free name of
  // "path.damaged", "path.damaged (2)" ... beside path, never replacing anything there.
  // The name it got, or "" with errno set when it could not be kept (it is gone then).
  std::string keep_damaged();

 private:
  // Unlists the temporary name and lets its lock go.
  void release();
  // Keeps fd (and its lock) as the staged file temporary, to become path.
  bool hold(int fd, std::string temporary, const std::string& path);
  // The unnamed file gets a staging name in its folder, as open_at's would have.
  bool name_unnamed();

  int fd_ = -1;
  bool unnamed_ = false;  // made with O_TMPFILE, no name yet
  bool placed_ = false;   // given its final name by place_if_free
  int lock_fd_ = -1;      // holds the lock while fd_ is closed for the rename
  std::string path_;
  std::string temporary_;  // the full path, as listed
  // The two names as the calls take them: relative to folder_fd_, or full paths.
  int folder_fd_ = AT_FDCWD;
  std::string temporary_name_;
  std::string final_name_;
  std::string folder_;  // as open_unnamed_at was given it
};

// Renames the file from to the first free name of "path.damaged", "path.damaged (2)" ...,
// never replacing anything there. The name it got, or "" with errno set (from stays).
std::string rename_to_damaged_name(const std::string& from, const std::string& path);

// Makes a symbolic link to target under a temporary name beside path and renames it
// to path, replacing a file or link there but never a folder. False with errno set;
// path is then untouched.
bool place_symlink(const std::string& target, const std::string& path);

// The permissions an archive recorded, as a file or folder gets them here: only the
// read, write and execute bits, less those the umask withholds.
mode_t permitted_mode(uint32_t recorded);

}  // namespace archivekit
