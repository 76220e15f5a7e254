// Unpacks one entry of an archive into the private temporary folder, so that the
// contents window can hand it to the desktop's application or show it in the text
// viewer.
#pragma once

#include <optional>
#include <string>

#include "engine/session.h"

namespace tessaly {

// Unpacks the entry stored as storedName ("/" separated, as the archive holds it) of an
// archive of the given type (the contents window's) into session.settings.tempFolder: a
// ZIP entry without its folders, any other with them, as its backend writes it. A file
// of that name already there brings up the File Exists question. Returns the path the
// entry was unpacked to, or nothing when the user cancelled at that question or there
// is no temporary folder; the file may still be missing when the library failed (it
// has told the user why).
std::optional<std::string> UnpackEntryForViewing(Session& session, const std::string& type,
                                                 const std::string& archivePath,
                                                 const std::string& storedName);

}  // namespace tessaly
