// What the processes that read a job's archives may read and write: the archives'
// folders, the settings and the system's files; below the destination and the private
// temporary folder. Both the reader and the ARJ utility's batch runner are walled so.
#pragma once

#include <string>

#include "platform/confinement.h"

namespace tessaly {

struct Session;

// The absolute folder that holds path ("." when it cannot be told).
std::string FolderOf(const std::string& path);
// The job's walls, with archive (when not "") among the archives.
ConfinementPlan JobConfinementPlan(const Session& session, const std::string& archive);

}  // namespace tessaly
