// The libarchive backend: extracts one archive of the types libarchive_reader.h names
// per call, asking before it replaces a file, with the Status window's lines and
// progress and its Cancel.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct Session;

// 0 when the archive was extracted, 1 when it was stopped or failed (the user has
// then been told why, unless the job was cancelled).
int32_t ExtractLibarchiveArchive(Session& session, const std::string& longPath);

// What the user is told when an archive holds encrypted 7z entries.
std::string Encrypted7zText(const std::string& archiveName);
// And of a hard link whose file was not extracted before it.
std::string LinkSourceMissingText(const std::string& shownName);
// An entry whose path runs through links that point at each other.
std::string LinkLoopText(const std::string& shownName);
// Devices, pipes and sockets left out: how many, and the first of them.
std::string SpecialFilesText(int64_t count, const std::string& firstName);

}  // namespace tessaly
