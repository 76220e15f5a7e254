// The per-user scratch folder: $TMPDIR (default /tmp) + "tessaly-<uid>", mode 0700.
// A folder of that name that is a symlink, belongs to someone else or lets anyone
// else in is never used: a fresh mkdtemp folder takes its place.
#pragma once

#include <string>

namespace tessaly {

// Returns the folder ending in "/", or "" when no private folder can be had.
// previous: the folder an earlier call returned; a fallback folder is reused while it
// stays private, so repeated calls do not leave a trail of fresh folders.
// The folder stays held (shared with other running copies) until LeavePrivateTempFolder.
std::string PrivateTempFolder(const std::string& previous);

// A file this run makes in the folder (a batch file, a listing, an entry unpacked for
// viewing), or a folder made on the way to one: removed when the program ends or is
// interrupted, if still there (a folder only when empty by then).
void NoteScratchFile(const std::string& path);
// A folder this run makes in it and fills (entries unpacked for a drag): removed with
// all it holds when the program ends or is interrupted.
void NoteScratchTree(const std::string& path);

// At the end of the program: this run's scratch files go, then the folder when it is
// empty and no other running copy holds it.
void LeavePrivateTempFolder();

}  // namespace tessaly
