// The 7z backend: extracts one 7z archive (or self-extracting file, or first volume
// of a split set x.7z.001) per call through the 7z library, asking for passwords and
// before overwriting; and the probe's test whether the library takes a file at all.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct Session;

// 0 when the archive was extracted, 1 when it was stopped or failed (the user has
// then been told why, unless the job was cancelled).
int32_t ExtractSevenZipArchive(Session& session, const std::string& longPath);
// Sets job.extractResult to 0 when the library takes path as a 7z archive, else 1. An
// archive with encrypted headers is one; so is a file with the 7z signature that the
// library finds damaged or missing a volume (extraction names the cause), but not a
// program or unclaimed file it cannot open.
void SevenZipTestOpen(Session& session, const std::string& path, bool signatureClaimsIt);

// What extraction and the listing say when a volume of a split set is missing.
inline constexpr const char* kSevenZipMissingVolume =
    "Tessaly could not complete the operation because this 7z set is missing one or more of "
    "its volumes. Please copy all of the volumes (name.7z.001, name.7z.002 ...) to a single "
    "folder and extract them from there.";

}  // namespace tessaly
