// Creating what an entry becomes on disk: folders level by level, the output file,
// its mode and time, symbolic links.
#pragma once

#include <string>
#include <string_view>

#include "wiz_call.h"
#include "zip_archive.h"

namespace unzip {

enum class FolderResult { Existed, Created, Failed };

// Creates every missing level of relative (below the extraction folder). A failure
// prints the "checkdir error" chunk for entry_name and raises 2.
FolderResult make_folders(CallState& call, std::string_view relative, std::string_view entry_name);

// Creates the extraction folder itself (one level). False when it cannot be made.
bool make_root(const std::string& root);

// Opens out as a new regular file, removing what is there first; never follows a
// link. -1 after printing "cannot delete old" / "cannot create" and raising 50.
int open_output(CallState& call, const std::string& out);

// Mode from Unix attributes (no setuid/setgid/sticky) and the entry's time.
void finish_output(int fd, const EntryInfo& entry);

// Replaces whatever is at out by a link to target, with the entry's time.
// False after printing "cannot create" and raising 50.
bool write_symlink(CallState& call, const std::string& out, const std::string& target,
                   const EntryInfo& entry);

}  // namespace unzip
