// A reader of ARJ archive headers, enough to learn before the utility runs whether an
// archive holds garbled (password-protected) entries: the utility never asks for a
// password itself and skips such entries unless it is given one.
#pragma once

#include <string>

namespace tessaly {

// True when a local header of the archive at path marks its entry as garbled. The
// main header may follow a self-extractor's stub. Headers are read up to the end
// marker or up to the first damaged one; a file with no readable main header has no
// garbled entry (the utility then reports what is wrong with it).
bool ArjArchiveHasGarbledEntry(const std::string& path);

}  // namespace tessaly
