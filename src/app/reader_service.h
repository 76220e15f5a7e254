// The reader's side of the conversation: questions and the Status window go to the
// front end over the socket it was given, Cancel comes back from it, and each task
// runs the same engine code a front end without a reader runs itself.
#pragma once

#include <string>

#include "engine/reader_wire.h"

namespace tessaly {

struct Session;

// Serves one request on fd, confined; the process's exit status.
int ServeReaderRequest(int fd);

}  // namespace tessaly
