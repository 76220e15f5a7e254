// Entries of one part decoded ahead on a worker: the scan that offers them to the
// kit's AheadEntries, and the job that decodes and checks one of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "archive_reader.h"
#include "archivekit/ahead_entries.h"

namespace unrar {

// The entry after the block at offset in the reader's volume, offset then past it. It
// comes with a job when it is plain: a file of one part, not solid, no link, one we
// decode, and encrypted only when password is given. None where reading ahead ends.
std::optional<archivekit::AheadCandidate> ahead_candidate(
    ArchiveReader& reader, uint64_t& offset, const std::optional<std::string>& password);

}  // namespace unrar
