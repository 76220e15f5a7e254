// Moving what the arj utility unpacked for one archive from its staging folder into
// the destination, the way the archive libraries write: every name through the one
// path check, an existing file kept or replaced as the one rule for existing files
// says, and replaced by rename(2), so that it stays whole until its replacement is;
// a file only when its size and CRC-32 are the archive's; modes without set-ID bits and
// within the umask.
#pragma once

#include <string>

#include "engine/arj/arj_staging.h"

namespace tessaly {

struct Session;
struct ArjHeaders;

// Places the files, folders and links found in folder, in archive order; destination is
// "" or ends in "/". False when a name was refused, a file failed its check or could not
// be put in place (each said in a message), or the user cancelled at the File Exists
// question (which ends this archive). What the utility did not unpack is not looked
// for: it has reported that itself.
bool PlaceArjArchive(Session& session, const ArjHeaders& headers,
                     const ArjStaging::ArchiveFolder& folder, const std::string& destination);

}  // namespace tessaly
