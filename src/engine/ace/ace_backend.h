// The ACE backend: extracts one archive (or self-extracting file, or volume set) per
// call through the ACE library, asking for passwords and before overwriting; and the
// probe's test whether the library opens a file at all.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct Session;

// 0 when the archive was extracted, 1 when it was stopped or failed (the user has
// then been told why, unless the job was cancelled).
int32_t ExtractAceArchive(Session& session, const std::string& longPath);
// While job.probeMode is set: job.extractResult = 0 when the library opens path as an
// ACE archive, else 1. Does nothing outside a probe.
void AceTestOpen(Session& session, const std::string& path);

}  // namespace tessaly
