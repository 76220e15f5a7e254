// The code page of the names that tar, cpio, LHA and CAB archives store without saying
// which, judged once per archive from all of them, so that every entry is read in the
// same one.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

// The code page to read the names of the archive in volumes in: chosen when one is
// given, else the one judged from the names (the format's default when unclear: DOS's
// Japanese code page for LHA, code page 437 for the others); "" when every name is
// UTF-8 or the archive is of another kind.
std::string CodePageOfNames(const std::vector<std::string>& volumes, const std::string& chosen);

}  // namespace tessaly
