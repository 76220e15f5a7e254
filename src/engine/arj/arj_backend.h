// ARJ archives are unpacked by the external ARJ utility, run from a batch file:
// the driver's ARJ branch (all archives of a job in one run) and the probe that reads
// the headers and asks the utility for the listing the contents window shows.
#pragma once

#include <string>

namespace tessaly {

struct Session;

// Before the Status window shows: no Cancel, and the waiting text.
void PrepareArjStatus(Session& session);
// Asks for the password of every selected archive that holds garbled entries, writes
// "Tessaly.bat" for all of them, runs it and waits. The utility unpacks each archive
// into a private staging folder inside the destination; Tessaly then puts what passes
// its checks in place itself (arj_placement.h) and removes the staging folder. The job
// counts as finished only when the batch exits with 0 and every unpacked file was placed
// or kept. A path or password that cannot be written into the batch file, or a password
// not given, ends the job, with a message, before anything runs.
void ExtractArjArchives(Session& session);
// The probe's ARJ step: false for a file without an ARJ main header; else, when a
// utility is found (arj_utility.h), true when its listing of path is not empty and has
// no "error(s)!", and true when none is found. The listing ("arjtmp.tmp" in tempFolder)
// stays for an archive's contents and is removed for any other file.
bool ArjProbe(Session& session, const std::string& path);

}  // namespace tessaly
