// The RAR and ACE listings of the contents window: each walks the archive's headers
// through its library, unpacks nothing, and fills session.contents (rows to the top,
// columns Filename, Actual Size, Packed Size, Path; the totals line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/session.h"

namespace tessaly {

enum class ListingResult {
  Listed,         // rows and the totals line are in session.contents
  MissingVolume,  // RAR: a volume of the set is missing; the rows gathered so far, no totals
  Aborted,        // ACE: the user has been told why; the contents window closes
};

// What the contents window says when the RAR listing met a missing volume.
inline constexpr const char* kRarListingMissingVolume =
    "Tessaly could not complete the operation because this RAR set is missing one or some of "
    "its volumes.";

ListingResult ListRarArchive(Session& session, const std::string& archivePath);
// Lists every volume of the set: every file beside the archive whose name starts like
// the archive's, less its three last characters.
ListingResult ListAceArchive(Session& session, const std::string& archivePath);

// Shared by both listings: one row for an entry's whole stored name ("/" separated).
ContentsRow ListingRow(const std::string& storedName, bool encrypted, uint64_t unpackedSize,
                       uint64_t packedSize);
std::string ListingTotals(size_t fileCount, uint64_t unpackedBytes);

}  // namespace tessaly
