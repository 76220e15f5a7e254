// What the selected files are: content probe, command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/file_signature.h"

namespace tessaly {

struct Session;

// Archives of the two types may be extracted in one job: the same type, or 7z and
// libarchive's, whose archives are each extracted on their own.
bool TypesShareAJob(const std::string& type, const std::string& other);
// The common type of session.job.selectedFiles, or "ns" after a refusal message; each
// file's own in session.job.archiveTypes. A job of 7z and libarchive archives together
// is of type "libarchive".
std::string ClassifySelection(Session& session);
// "zip", "ace", "rar", "7z", "libarchive", "arj", or "" when no backend accepts the file.
// For "libarchive", session.job.archiveFormat names the format. Shows nothing, unless the
// reader had to be ended (then job.readerEnded is set and the user was told why). The path
// is a copy: the reader hands the job's state back whole, and it may be one of its strings.
std::string DetectArchiveType(Session& session, std::string path);
// The type as the program's own readers find it from the file's bytes (all but the ARJ
// utility's probe), and the owner of the file's signature.
std::string ProbeOwnReaders(Session& session, const std::string& path, SignatureOwner& owner);
// With commandLine: split it (a double-quoted run is one token). Without: each of
// programArgs is one token, and a destination is asked before the job runs.
// At most 100 tokens.
void ParseCommandLine(Session& session, const std::optional<std::string>& commandLine,
                      const std::vector<std::string>& programArgs = {});
// The tokens of a command line as ParseCommandLine splits it (at most 100).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// The refusal of a file no backend accepts; the utility is named only where the file may
// be an ARJ archive.
std::string NotSupportedText(const std::string& path);
// The lower-cased last three characters of a path: what the extension checks compare.
std::string LastThreeLower(const std::string& path);

}  // namespace tessaly
