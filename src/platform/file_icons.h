// Which picture the file lists show for a file, by its extension.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

// The icon key for an extension (compared lower-cased): a key of the row image
// lists, "tessaly" for the archive types, "Others" for anything unknown.
std::string IconKeyFor(const std::string& extension);

// The extensions, with their dot, of the archives read through libarchive (7z, tar
// and its compressed forms, cpio, ISO, CAB, LHA, XAR, RPM, Debian packages, single
// compressed files, the first volume of a split 7z set).
const std::vector<std::string>& OtherArchiveExtensions();
// fileName ends in one of them, compared without regard to case.
bool HasOtherArchiveExtension(const std::string& fileName);

// The icon key of a file in a list: the archive picture for the archives read through
// libarchive, else IconKeyFor(ListExtension(fileName)).
std::string FileIconKey(const std::string& fileName);

// The (at most) three characters after the first "." of a file name; the first
// three characters of the name when it has none. "a.tar.gz" gives "tar".
std::string ListExtension(const std::string& fileName);

}  // namespace tessaly
