// Creating what an entry becomes on disk: folders level by level, the output file
// (written beside its path and put in place only when the entry checked out), its
// mode and time, symbolic links.
#pragma once

#include <string>
#include <string_view>

#include "archivekit/staged_file.h"
#include "wiz_call.h"
#include "zip_archive.h"

namespace unzip {

enum class FolderResult { Existed, Created, Failed };

// Creates every missing level of relative (below the extraction folder). A failure
// prints the "checkdir error" chunk for entry_name and raises 2.
FolderResult make_folders(CallState& call, std::string_view relative, std::string_view entry_name);

// Creates the extraction folder itself (one level). False when it cannot be made.
bool make_root(const std::string& root);

// Opens the temporary file that becomes out; whatever is at out stays untouched until
// commit_output. False after printing "cannot create" and raising 50.
bool open_output(CallState& call, archivekit::StagedFile& file, const std::string& out);

// Mode from Unix attributes (permission bits only, as the umask allows) and the
// entry's time.
void finish_output(int fd, const EntryInfo& entry);

// Puts the finished file in place of whatever was there (never a folder). False after
// printing "cannot create" and raising 50; nothing is left behind then.
bool commit_output(CallState& call, archivekit::StagedFile& file);

// Replaces whatever is at out (a file or link, never a folder) by a link to target,
// made under a temporary name and renamed into place, with the entry's time.
// False after printing "cannot create" and raising 50.
bool write_symlink(CallState& call, const std::string& out, const std::string& target,
                   const EntryInfo& entry);

}  // namespace unzip
