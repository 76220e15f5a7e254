// Reading and changing the settings file on disk. Readers need no lock: the file is
// only ever replaced whole by rename. Writers serialise on an flock'ed companion
// file "<file>.lock" and re-read under it, so concurrent writers lose nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "settings/settings_document.h"

namespace tessaly {

// Empty when the file is missing or cannot be read. Start-up asks for settings one by
// one: a file unchanged since the last call is not read again, and one whose text is
// the same is not parsed again.
std::shared_ptr<const SettingsDocument> ReadSettingsFile(const std::string& path);

// Under the lock: reads the file, lets change edit it and, when change returns true,
// replaces the file (temp file in the same folder, fsync, rename, fsync of the folder).
// Missing folders are created with mode 0700. An existing file that cannot be read is
// left alone and the update fails. Returns true only when the new file is in place.
bool UpdateSettingsFile(const std::string& path,
                        const std::function<bool(SettingsDocument&)>& change);

}  // namespace tessaly
