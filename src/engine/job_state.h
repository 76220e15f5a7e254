// The state of one extraction job, shared by the driver and the backends.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/byte_progress.h"

namespace tessaly {

// The answer of the backend's last list-mode call, kept while the archive is
// unchanged: the probes and the counting pass ask the same of the same file.
struct ZipListingMemo {
  std::string key;  // empty: nothing kept
  int32_t code = 0;
  uint32_t members = 0;
  uint64_t bytes = 0;
  int64_t entries = 0;
};

// Inputs and outputs of the ZIP backend, set by its callers before each call.
struct ZipOptions {
  bool promptToOverwrite = false;
  bool extractList = false;
  bool showComment = false;
  bool honorDirectories = false;
  bool overwriteAll = false;
  std::string zipFileName;
  std::string extractDir;
  std::vector<std::string> includeNames;  // IncludeCount = size(); empty = every entry
  std::vector<std::string> excludeNames;
  uint32_t zipMemberCount = 0;
  uint64_t zipMemberBytes = 0;
  int64_t listedEntries = 0;
  int64_t listedBytes = 0;
  bool listIntoContents = false;
  ZipListingMemo lastListing;
  // The output path of the last call's write that failed; empty when none did.
  std::string diskFullPath;
  // The last call passed over an entry whose password was wrong or not given.
  bool passwordRefused = false;
  // The entries the last call passed over for a method it cannot decode.
  std::vector<std::string> unsupportedEntries;
  // The last call left out an entry that could not be written or leads outside, and
  // said so.
  bool entryRefused = false;
  // Where the last call kept its damaged entries (JobState::keepBroken).
  std::vector<std::string> keptDamaged;
  // The output path of the entry the library is writing, from its line for the entry.
  std::string currentEntryPath;
  // Entries decoded at once: 0 one per core, 1 one after the other. 1 also decodes a
  // compressed tar on the caller's thread, and xz without threads.
  int32_t threads = 0;
  // What the last call found wrong with the archive's central directory; "" when nothing.
  std::string directoryDamage;
};

enum class CallingWindow { MainWindow, DropTarget, Contents };

// The reader's answer to the type probe of a file, kept while the file is unchanged: a
// job started from the command line probes each file twice.
struct ProbeAnswer {
  std::string type;
  int32_t owner = 0;  // the SignatureOwner of the file's first bytes
  std::string archiveFormat;
};

struct JobState {
  // A job runs (its windows let events run): no second one may start meanwhile.
  bool running = false;
  // selectedFiles[0] is the first archive; messages number them from 1.
  std::vector<std::string> selectedFiles;
  int selectedCount = 0;
  std::vector<std::string> longFileNames;
  std::string archiveType;
  // The type of each of selectedFiles, as the job's classification found it; the front
  // end's alone.
  std::vector<std::string> archiveTypes;
  // libarchive's name of the format the last probe found ("7-Zip"); "" for our own types.
  std::string archiveFormat;
  std::string currentExt;
  CallingWindow callingWindow = CallingWindow::MainWindow;
  bool cancelExtract = false;
  int32_t extractResult = 0;
  // An archive of this job failed and its error was shown, even if the job went on.
  bool archiveFailed = false;
  std::string overwriteAnswer;
  // Every existing file stays as it is, whatever the settings say (tessaly-extract -n).
  // Set for the whole run, never reset by a job.
  bool keepExistingFiles = false;
  // An entry that fails its checks keeps what was written of it as "<name>.damaged"
  // (the setting, or this job's choice in the Confirmation window or the console).
  bool keepBroken = false;
  // keepBroken for every job of the run, whatever the setting (tessaly-extract
  // --keep-broken). Set for the whole run, never reset by a job.
  bool keepBrokenAlways = false;
  // The job only tests its archives (archive_test.h): nothing of a damaged entry is kept.
  bool testOnly = false;
  bool stopAllArchives = false;
  bool zipErrorContinued = false;
  // A damaged archive is scanned for what it still holds without asking
  // (tessaly-extract --scan-damaged). Set for the whole run, never reset by a job.
  bool scanDamagedArchives = false;
  // The damaged archives of this job the user was asked about, and those to be scanned.
  std::vector<std::string> damagedArchivesAsked;
  std::vector<std::string> damagedArchivesScanned;
  bool probeMode = false;
  bool probeIsExe = false;
  // The last probe's reader was ended, and the user told why.
  bool readerEnded = false;
  // By the file's path, device, inode, size and times; the front end's alone.
  std::map<std::string, ProbeAnswer> probeAnswers;
  std::string activeBackend;
  bool confirmCancelled = false;
  bool confirmFromDriver = false;
  bool dropMode = false;
  // Started by a file manager's action: no main window, no confirmation, no Background.
  bool statusOnly = false;
  std::string arjOptions;
  std::string zipAutoOverwrite;
  bool countingPass = false;
  int32_t zipArchiveIndex = 0;  // 1-based
  // The bar of the backend at work, kept where the libraries' callbacks find it; the
  // reader's own, not carried back to the front end.
  ByteProgress entryBytes;
  bool selectedEntriesMode = false;
  std::vector<std::string> selectedEntryNames;  // full stored paths
  bool perArchiveFolder = false;
  std::string chosenDestination;
  // True while "Background" hides the Status window; the main window's state then.
  bool statusMinimised = false;
  int savedWindowState = 0;
  // The user pressed Cancel; a backend that stops a job itself cancels it too.
  bool cancelPressed = false;
  // The code page the user chose for names not in Unicode ("CP866"); "" follows the
  // setting (tessaly-extract --name-encoding, the contents window's "Names:").
  std::string nameEncoding;
  // The code page the last listing or extraction read such names in.
  std::string namesReadIn;
  // The entries of this job that failed their checksum, as messages name them: the
  // messages name only the archive, a test's summary names the entries too.
  std::vector<std::string> damagedEntries;
};

}  // namespace tessaly
