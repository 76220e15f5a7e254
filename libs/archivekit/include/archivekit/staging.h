// The hidden ".tessaly-XXXXXX" files and folders a run stages beside its targets. Each
// is locked (flock on its own descriptor) for as long as the run may still use it, so
// that a later run can tell what a dead run left from what a live one is writing: the
// first time a process stages anything in a folder, it removes the staging entries
// there whose lock it can take. Everything staged is also listed process-wide, so that
// an interruption can remove it before the program ends.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace archivekit {

// Exactly ".tessaly-" and six letters or digits, the names staged here.
bool is_staging_name(std::string_view name);

// Creates a fresh staging file in folder ("" or ending in "/"), locked and listed; its
// path goes to path. The lock lasts while the returned descriptor (or a dup of it) is
// open. -1 with errno set when it cannot be made.
int create_staging_file(const std::string& folder, std::string& path);
// The same in the folder open as folder_fd, which folder names (for the list and the
// sweep); created with mode (less the umask), so that it needs no fchmod after.
int create_staging_file_at(int folder_fd, const std::string& folder, mode_t mode,
                           std::string& path);
// Links the open file fd, made without a name (O_TMPFILE), in as name in the folder
// open as folder_fd, replacing nothing: by the descriptor itself where the kernel lets
// the process that made it (Linux 6.10 and later), else through /proc/self/fd.
bool link_unnamed_file(int fd, int folder_fd, const char* name);
// Gives the open file fd (made without a name, O_TMPFILE) a fresh staging name in
// the folder open as folder_fd, locked and listed as above; the returned descriptor
// holds the lock.
int link_staging_file_at(int fd, int folder_fd, const std::string& folder, std::string& path);
// The same for a folder (mode 0700); the descriptor is the folder's, opened read-only.
int create_staging_folder(const std::string& folder, std::string& path);
// Takes path off the list: it was renamed into place or removed. Call before the
// descriptor is closed.
void forget_staged(const std::string& path);

// Removes every staging file and folder the list holds, following no link, sweeps the
// adopted folders, and keeps the list locked for good, so that no thread stages anything more: for
// a program that ends at once after it.
void remove_everything_staged();

// Told of each folder the first time this process stages in it (from the thread that
// stages).
void set_staging_folder_observer(void (*observer)(const std::string& folder));
// A child process stages in folder: remove_everything_staged sweeps it too.
void adopt_staging_folder(const std::string& folder);
// Removes the staging entries of folder that no live process holds (a child's, once it
// was ended).
void sweep_staging_folder(const std::string& folder);

// Removes path and, when it is a folder, everything below it, following no link: a
// folder without permissions is opened up first. Best effort.
void remove_tree(const std::string& path);

}  // namespace archivekit
