// Which code page the names of the job's archives are read in, when they are not in
// Unicode: the user's choice for this job, else the setting's.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

struct Session;

// A code page ("CP866"), or "" to judge it from each archive's names.
std::string NameEncodingToRead(const Session& session);

// The code page to read one archive's stored names in, from all of them: "" when every
// name is UTF-8, else chosen when given, else the one judged from them (formatDefault
// when unclear).
std::string CodePageOfNames(const std::vector<std::string>& storedNames, const std::string& chosen,
                            const std::string& formatDefault);

// A stored name as UTF-8: kept when it is, else read in codePage.
std::string ReadStoredName(const std::string& storedName, const std::string& codePage);

// What a "Names:" choice offers: "Automatic", then every code page.
std::vector<std::string> NameEncodingChoices();

// The accepted code pages, as tessaly-extract's error and the windows' choices list them.
std::string NameEncodingList();

}  // namespace tessaly
