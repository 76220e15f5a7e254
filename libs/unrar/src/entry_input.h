// The packed data of one entry as one stream, its parts found by the reader in the
// volumes that follow. A missing volume or a damaged header fails with its ERAR_*
// code, a volume that ends before its data, bytes the system could not read or data
// the cipher refuses with ERAR_BAD_DATA.
#pragma once

#include "archive_entry.h"
#include "archive_reader.h"
#include "archivekit/packed_entry_input.h"
#include "unrar.h"

namespace unrar {

inline archivekit::PackedPart packed_part(const ArchiveEntry& part) {
  return {part.volumeIndex, part.dataOffset, part.packSize, part.splitAfter};
}

// The same on the caller's thread and on a worker.
inline constexpr archivekit::ReadFailureCodes kReadFailures{ERAR_BAD_DATA, ERAR_BAD_DATA,
                                                            ERAR_BAD_DATA};

using EntryInput = archivekit::ReaderEntryInput<ArchiveReader, ArchiveEntry, kReadFailures>;

}  // namespace unrar
