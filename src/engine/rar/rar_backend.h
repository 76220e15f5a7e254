// The RAR backend: extracts one archive (or self-extracting file, or first volume of
// a set) per call through the RAR library, asking for passwords and before
// overwriting; and the probe's test whether the library opens a file at all.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct Session;

// What is wrong with a RAR archive whose reading stopped at a header (the library's
// ERAR_BAD_ARCHIVE after the archive opened), as the scan question says it.
inline constexpr const char* kDamagedRarHeaderCause =
    "a block header is damaged, or the file ends inside one or before its end block";

// 0 when the archive was extracted, 1 when it was stopped or failed (the user has
// then been told why, unless the job was cancelled).
int32_t ExtractRarArchive(Session& session, const std::string& longPath);
// Sets job.extractResult to 0 when the library opens path as a RAR archive, else 1.
void RarTestOpen(Session& session, const std::string& path);

}  // namespace tessaly
