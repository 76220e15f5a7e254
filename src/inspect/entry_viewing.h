// Unpacks entries of an archive into the private temporary folder, so that the
// contents window can hand one to the desktop's application, show it in the text
// viewer, or let the user drag entries to another program.
#pragma once

#include <optional>
#include <string>
#include <vector>

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

// Unpacks the chosen entries, with their folders, into a new folder of their own in the
// temporary folder, for a drag to another program; a chosen folder brings what is under
// it. Returns the paths of the chosen entries that are there afterwards, each once
// (none when the user cancelled); the folder goes when the program ends.
std::vector<std::string> UnpackEntriesForDrag(Session& session, const std::string& type,
                                              const std::string& archivePath,
                                              const std::vector<std::string>& storedNames);

}  // namespace tessaly
