// The listings of the contents window: each fills session.contents with the rows and
// the totals line of one archive. ZIP lists through the ZIP backend's list mode
// (columns Filename, Date, Actual Size, Compression, Packed Size, Path); RAR and ACE
// walk the headers through their libraries and unpack nothing (columns Filename,
// Actual Size, Packed Size, Path). Rows go to the top.
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
  Incomplete,     // ZIP: the backend has told the user why; the rows read so far stand
};

// What the contents window says when the RAR listing met a missing volume.
inline constexpr const char* kRarListingMissingVolume =
    "Tessaly could not complete the operation because this RAR set is missing one or some of "
    "its volumes.";

// The listing for an archive of the probed type ("zip", "rar", "ace", "arj").
ListingResult ListArchive(Session& session, const std::string& type,
                          const std::string& archivePath);

ListingResult ListZipArchive(Session& session, const std::string& archivePath);
ListingResult ListRarArchive(Session& session, const std::string& archivePath);
// Lists every volume of the set: every file beside the archive whose name starts like
// the archive's, less its three last characters.
ListingResult ListAceArchive(Session& session, const std::string& archivePath);

// Shared by both listings: one row for an entry's whole stored name ("/" separated).
ContentsRow ListingRow(const std::string& storedName, bool encrypted, uint64_t unpackedSize,
                       uint64_t packedSize);
std::string ListingTotals(size_t fileCount, uint64_t unpackedBytes);

}  // namespace tessaly
