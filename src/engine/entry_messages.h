// The texts every backend that writes entries itself shows for the same failures, in
// the words the ACE backend has always used.
#pragma once

#include <string>

namespace tessaly {

// The archive's data did not check out (a damaged entry or header).
std::string CrcErrorText(const std::string& archiveName);
// The archive's structure does not hold (ISO 9660 has no checksums; a 7z header).
std::string DamagedArchiveText(const std::string& archiveName);
// The archive could not be read at all.
std::string DriveReadErrorText(const std::string& archiveName);
// The disk took no more of the entry.
std::string DiskFullText(const std::string& entryName);
// The entry's file, or a folder on its way, could not be made or written for another
// reason: reason is the system's own (strerror).
std::string WriteFailedText(const std::string& entryName, const std::string& reason);
// The entry is packed with a method or filter this version cannot decode.
std::string UnsupportedMethodText(const std::string& entryName);
// That what was written of a damaged entry is kept under keptName (as messages show names).
std::string KeptDamagedText(const std::string& keptName);
// text, then that what was written of the damaged entry shownName is kept: keptPath is
// the library's "<path>.damaged" or "<path>.damaged (2)" ... name. text alone when
// keptPath is empty (nothing kept).
std::string WithKeptDamagedText(const std::string& text, const std::string& shownName,
                                const std::string& keptPath);

}  // namespace tessaly
