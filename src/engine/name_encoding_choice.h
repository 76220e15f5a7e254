// Which code page the names of the job's archives are read in, when they are not in
// Unicode: the user's choice for this job, else the setting's.
#pragma once

#include <string>

namespace tessaly {

struct Session;

// A code page ("CP866"), or "" to judge it from each archive's names.
std::string NameEncodingToRead(const Session& session);

// The accepted code pages, as tessaly-extract's error and the windows' choices list them.
std::string NameEncodingList();

}  // namespace tessaly
