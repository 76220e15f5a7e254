// The packed data of one entry as one stream, its parts found by the reader in the
// volumes that follow. A missing volume fails with its ACE_* code, a volume that
// ends before its data (a cut archive) with ACE_BAD_DATA, bytes the system could not
// read with ACE_READ_ERROR; the cipher never refuses data (a wrong password shows as a
// bad CRC).
#pragma once

#include "archive_reader.h"
#include "archivekit/packed_entry_input.h"
#include "unace.h"

namespace unace {

inline archivekit::PackedPart packed_part(const AceEntry& part) {
  return {part.volumeIndex, part.dataOffset, part.packSize, part.splitAfter()};
}

// The same on the caller's thread and on a worker.
inline constexpr archivekit::ReadFailureCodes kReadFailures{ACE_BAD_DATA, ACE_BAD_DATA,
                                                            ACE_READ_ERROR};

using EntryInput = archivekit::ReaderEntryInput<ArchiveReader, AceEntry, kReadFailures>;

}  // namespace unace
