// The reader's side of the conversation: questions and the Status window go to the
// front end over the socket it was given, Cancel comes back from it, and each task
// runs the same engine code a front end without a reader runs itself.
#pragma once

#include <string>

#include "engine/reader_wire.h"
#include "platform/confinement.h"

namespace tessaly {

struct Session;

// What the reader may read and write for a job: the archives' folders, the settings,
// the destination and the private temporary folder.
ConfinementPlan ReaderConfinementPlan(const Session& session, const std::string& archive);

// Serves one request on fd, confined; the process's exit status.
int ServeReaderRequest(int fd);

}  // namespace tessaly
