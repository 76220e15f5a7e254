// What the ACE backend tells the user when the library refuses an archive or an entry.
#pragma once

#include <string>

namespace tessaly {

// The message for an open result, or "" when the archive may be read.
std::string AceOpenResultMessage(unsigned int openResult);

// The message for a process-file result, or "" when the entry counts as done.
// archiveName is the volume the header came from; passwordAsked says whether this
// archive's password was asked, which makes bad data a wrong password. An entry that
// could not be written the backend reports itself, with the system's reason.
std::string AceResultMessage(int code, const std::string& entryName, const std::string& archiveName,
                             bool passwordAsked);

}  // namespace tessaly
