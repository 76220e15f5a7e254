// The listings of the contents window: each fills session.contents with the rows and
// the totals line of one archive. ZIP lists through the ZIP backend's list mode
// (columns Filename, Date, Actual Size, Compression, Packed Size, Path); RAR and ACE
// walk the headers through their libraries and unpack nothing (columns Filename,
// Actual Size, Packed Size, Path). Their rows go to the top. ARJ reads the listing the
// ARJ utility wrote for the probe (columns Filename, Date, Actual Size, Comp. Ratio,
// Packed Size); its rows go to the end. 7z archives and those read through libarchive
// list Filename, Date, Actual Size, Path, in the archive's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/session.h"

namespace tessaly {

enum class ListingResult {
  Listed,         // rows and the totals line are in session.contents
  MissingVolume,  // RAR: a volume of the set is missing; the rows gathered so far, no totals
  Aborted,        // ACE, 7z: the user has been told why; the contents window closes
  // ZIP: the backend has told the user why; ARJ: the utility's listing ended early or a
  // volume of the set is missing, and the user has been told so. The rows read so far
  // stand, with no totals line.
  Incomplete,
};

// What the contents window says when the RAR listing met a missing volume.
inline constexpr const char* kRarListingMissingVolume =
    "Tessaly could not complete the operation because this RAR set is missing one or some of "
    "its volumes.";

// What the ARJ listing says when the utility's listing was not whole.
inline constexpr const char* kArjListingIncomplete =
    "The arj utility's listing of this archive ended early, or a volume of the set is "
    "missing: only the files listed so far are shown.";

// The contents window's type probe (DetectArchiveType). A ZIP archive is listed into
// session.contents as it is probed, so its directory is read once: ListArchive then
// keeps those rows. A copy of the path, as DetectArchiveType takes it.
std::string ProbeArchiveForContents(Session& session, std::string archivePath);

// The listing for an archive of the probed type ("zip", "rar", "ace", "7z", "libarchive",
// "arj"); for ARJ the probe's listing in the temp folder.
ListingResult ListArchive(Session& session, const std::string& type,
                          const std::string& archivePath);

ListingResult ListZipArchive(Session& session, const std::string& archivePath);
ListingResult ListRarArchive(Session& session, const std::string& archivePath);
// Lists every volume of the set: every file beside the archive whose name starts like
// the archive's, less its three last characters.
ListingResult ListAceArchive(Session& session, const std::string& archivePath);
// Reads the utility's verbose listing of an archive and its following volumes (as the
// probe's ArjListLine asks for it): one row per entry, in the archive's order, an entry
// split over volumes once with its parts added up, a chapter's label left out; the
// totals from the utility's own summary. Sizes, ratio, date and time are the utility's.
ListingResult ListArjArchive(Session& session, const std::string& listingPath);

// Reads the headers of a 7z archive (the password asked for encrypted ones), in the
// archive's order: a folder as a row of its path alone, an encrypted entry marked.
ListingResult ListSevenZipArchive(Session& session, const std::string& archivePath);

// Walks the headers of an archive read through libarchive (columns Filename, Date,
// Actual Size, Path), in the archive's order, a folder as a row of its path alone; a
// single compressed file is one row whose size is counted by reading it.
ListingResult ListLibarchiveArchive(Session& session, const std::string& archivePath);

// The stored names of an archive's entries, probed and listed as for the contents
// window; none when it cannot be listed whole (the listing has said why).
std::vector<std::string> ArchiveEntryNames(Session& session, const std::string& archivePath);

// Shared by both listings: one row for an entry's whole stored name ("/" separated).
ContentsRow ListingRow(const std::string& storedName, bool encrypted, uint64_t unpackedSize,
                       uint64_t packedSize);
// The same with the date where that one has the unpacked size, and the size where it
// has the packed one (the 7z and libarchive listings).
ContentsRow DatedListingRow(const std::string& storedName, bool encrypted, int64_t modified,
                            uint64_t size);
std::string ListingTotals(size_t fileCount, uint64_t unpackedBytes);

}  // namespace tessaly
