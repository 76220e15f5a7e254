// The texts every backend that writes entries itself shows for the same failures, in
// the words the ACE backend has always used.
#pragma once

#include <string>

namespace tessaly {

// The archive's data did not check out (a damaged entry or header).
std::string CrcErrorText(const std::string& archiveName);
// The archive could not be read at all.
std::string DriveReadErrorText(const std::string& archiveName);
// The disk took no more of the entry.
std::string DiskFullText(const std::string& entryName);
// The entry's file could not be created or written for another reason.
std::string WriteProtectedText(const std::string& entryName);

}  // namespace tessaly
