// Entries of one part decoded ahead on a worker: the scan that offers them to the
// kit's AheadEntries, and the job that decodes and checks one of them.
#pragma once

#include <cstdint>
#include <optional>

#include "ace_crypto.h"
#include "archive_reader.h"
#include "archivekit/ahead_entries.h"

namespace unace {

// The entry after the block at offset in the reader's volume (of an archive that is
// not solid), offset then past it. It comes with a job when it is a file of one part
// we decode, and encrypted only when cipher is given. None where reading ahead ends.
std::optional<archivekit::AheadCandidate> ahead_candidate(ArchiveReader& reader, uint64_t& offset,
                                                          const AceBlowfish* cipher);

}  // namespace unace
