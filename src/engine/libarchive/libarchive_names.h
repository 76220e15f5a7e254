// The code page of the names that tar, cpio, LHA and CAB archives store without saying
// which, judged once per archive from all of them, so that every entry is read in the
// same one.
#pragma once

#include <functional>
#include <string>

struct archive;

namespace tessaly {

// The code page to read the names of an archive in: chosen when one is given, else the
// one judged from the names (the format's default when unclear: DOS's Japanese code
// page for LHA, code page 437 for the others); "" when every name is UTF-8 or the
// archive is of another kind. open opens a libarchive reader on the archive's bytes as
// they are stored, or decompressed.
std::string CodePageOfNames(const std::function<int(struct archive*)>& open,
                            const std::string& chosen);

}  // namespace tessaly
