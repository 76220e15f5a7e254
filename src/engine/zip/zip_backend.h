// The ZIP backend: one library call per archive, driven by session.zip and the job state.
#pragma once

namespace tessaly {

struct Session;

void UnzipArchive(Session& session);

}  // namespace tessaly
