// The extraction driver: every extraction runs through ExtractSelectedArchives.
#pragma once

#include <string>
#include <vector>

#include "engine/job_state.h"
#include "engine/reader_gateway.h"

namespace tessaly {

struct Session;

// An archive of the job failed and the user was told: the job does not finish.
void MarkArchiveFailed(JobState& job);
// Runs one job over session.job.selectedFiles into the text of the main window's destination box.
// Refused, with a message, while another job runs.
void ExtractSelectedArchives(Session& session, CallingWindow callingWindow);
// One RAR, ACE, 7z or libarchive (type "rar", "ace", "7z", "libarchive") archive through its
// backend in the session's reader, into the destination box's folder.
ReaderResult ExtractArchive(Session& session, const std::string& type, const std::string& archive);
// While a job runs, says that one is running and returns true: nothing may start
// another or change what the running one works on.
bool RefuseWhileJobRuns(Session& session);
// The ZIP loop: counts every ZIP archive of the job, then extracts them.
void ExtractZipArchives(Session& session);
// The ZIP library reads include names as patterns; escaped, each name selects exactly
// the entry stored under it, whatever characters it holds, and a folder ("docs/")
// what is stored under it too.
std::vector<std::string> SelectedEntryPatterns(const std::vector<std::string>& names);
// The destination text, or "oops" when the job must not go on.
std::string CheckDestination(Session& session);
// The refusal of a destination folder that cannot be made.
std::string CouldNotCreateFolderText(const std::string& folder);
// Reads "<type> options"/"auto overwrite" into zipAutoOverwrite / arjOptions.
void ArchiveOptions(Session& session, const std::string& type);
// part 0 drive, 1 folder, 2 name without extension, 3 extension (with its dot).
// Any other part throws std::invalid_argument.
std::string ParsePath(const std::string& path, int part);
// There are no short paths here: the path comes back unchanged.
std::string GetShortName(const std::string& path);

}  // namespace tessaly
