// The questions every backend asks in the same words: may an existing file be
// replaced, and what is the password of an encrypted archive or entry; and the one
// rule for an entry whose file already exists.
#pragma once

#include <string>

namespace tessaly {

struct Session;

// Shows the File Exists prompt for name and returns "Yes", "No", "All" or "Cancel". The answer is
// kept as the job's overwriteAnswer; a prompt closed without one is "No" and keeps the earlier
// answer, so an earlier "Yes" never replaces a file the user was not asked about.
std::string AskOverwrite(Session& session, const std::string& name);

enum class ExistingFile { Replace, Keep, Stop };

// What becomes of the file at an entry's path, shown as name: kept whenever the job
// keeps existing files; replaced without a question only when the archive type's
// "auto overwrite" setting is "1" (the type of the backend at work) or the user answered "All"
// before; else asked (Yes replaces, No keeps, Cancel stops the archive).
ExistingFile DecideExistingFile(Session& session, const std::string& name);

// The same rule for a library entry about to be written at path: operation becomes
// skipOperation when the file there is kept; false when the user stopped the archive.
bool DecideEntryOperation(Session& session, const std::string& path, const std::string& name,
                          int& operation, int skipOperation);

// The password box for the file name; "" when the user gave none.
std::string AskPassword(Session& session, const std::string& name);

// What every backend says when the password was wrong, or none was given.
inline constexpr const char* kWrongPasswordText = "The password you entered was incorrect.";
inline constexpr const char* kNoPasswordText = "No password supplied. Aborting.";

}  // namespace tessaly
