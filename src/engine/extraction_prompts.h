// The questions every backend asks in the same words: may an existing file be
// replaced, and what is the password of an encrypted archive or entry; and the one
// rule for an entry whose file already exists.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct JobState;
struct Session;

// An entry about to be written where a file exists: its size and last change.
struct IncomingFile {
  uint64_t bytes = 0;
  int64_t modified = 0;  // seconds since the epoch
};

// The lines under the File Exists question that set the file at existingPath beside the
// entry, each with its size and date; only the entry's when the file cannot be read.
std::string ReplacedFilesText(const std::string& existingPath, const IncomingFile& incoming);

// Shows the File Exists prompt for name, with details under it, and returns "Yes", "No", "All"
// or "Cancel". The answer is kept as the job's overwriteAnswer; a prompt closed without one is
// "No" and keeps the earlier answer, so an earlier "Yes" never replaces a file the user was not
// asked about.
std::string AskOverwrite(Session& session, const std::string& name, const std::string& details);

enum class ExistingFile { Replace, Keep, Stop };

// What becomes of the file at an entry's path, shown as name: kept whenever the job
// keeps existing files; replaced without a question only when the archive type's
// "auto overwrite" setting is "1" (the type of the backend at work) or the user answered "All"
// before; else asked (Yes replaces, No keeps, Cancel stops the archive), the prompt setting
// the file at path beside the entry.
ExistingFile DecideExistingFile(Session& session, const std::string& name, const std::string& path,
                                const IncomingFile& incoming);

// The same rule for a library entry about to be written at path: operation becomes
// skipOperation when the file there is kept; false when the user stopped the archive.
bool DecideEntryOperation(Session& session, const std::string& path, const std::string& name,
                          const IncomingFile& incoming, int& operation, int skipOperation);

// The password box for the file name; "" when the user gave none.
std::string AskPassword(Session& session, const std::string& name);

// May the damaged archive at path (cause: what is wrong with it) be scanned for the
// entries it still holds? Asked once per archive and job; yes without asking when the
// job scans damaged archives.
bool AgreeToScanDamaged(Session& session, const std::string& path, const std::string& cause);
// The job scans the damaged archive at path: the user agreed, or the job scans every one.
bool ScansDamaged(const JobState& job, const std::string& path);

// What every backend says when the password was wrong, or none was given.
inline constexpr const char* kWrongPasswordText = "The password you entered was incorrect.";
inline constexpr const char* kNoPasswordText = "No password supplied. Aborting.";

}  // namespace tessaly
