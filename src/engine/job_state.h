// The state of one extraction job, shared by the driver and the backends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

// The answer of the backend's last list-mode call, kept while the archive is
// unchanged: the probes and the counting pass ask the same of the same file.
struct ZipListingMemo {
  std::string key;  // empty: nothing kept
  int32_t code = 0;
  uint32_t members = 0;
  int64_t entries = 0;
};

// Inputs and outputs of the ZIP backend, set by its callers before each call.
struct ZipOptions {
  bool uPromptToOverwrite = false;
  bool uExtractList = false;
  bool uShowComment = false;
  bool uHonorDirectories = false;
  bool uOverwriteAll = false;
  std::string ZipFileName;
  std::string ExtractDir;
  std::vector<std::string> IncludeNames;  // IncludeCount = size(); empty = every entry
  std::vector<std::string> ExcludeNames;
  uint32_t ZipMemberCount = 0;
  int64_t ListedEntries = 0;
  int64_t ListedBytes = 0;
  bool ListIntoContents = false;
  ZipListingMemo LastListing;
  // The output path of the last call's write that failed; empty when none did.
  std::string DiskFullPath;
  // The last call passed over an entry whose password was wrong or not given.
  bool PasswordRefused = false;
};

enum class CallingForm { MainWindow, DropTarget, Contents };

struct JobState {
  // SelectedFiles[0] is the first archive; messages number them from 1.
  std::vector<std::string> SelectedFiles;
  int SelectedCount = 0;
  std::vector<std::string> LongFileNames;
  std::string ArchiveType;
  std::string CurrentExt;
  CallingForm callingForm = CallingForm::MainWindow;
  bool CancelExtract = false;
  int32_t ExtractResult = 0;
  // An archive of this job failed and its error was shown, even if the job went on.
  bool ArchiveFailed = false;
  std::string OverwriteAnswer;
  // Every existing file stays as it is, whatever the settings say (tessaly-extract -n).
  // Set for the whole run, never reset by a job.
  bool KeepExistingFiles = false;
  bool StopAllArchives = false;
  bool ZipErrorContinued = false;
  bool ProbeMode = false;
  bool ProbeIsExe = false;
  std::string ActiveBackend;
  bool ConfirmCancelled = false;
  bool ConfirmFromDriver = false;
  bool DropMode = false;
  std::string ArjOptions;
  std::string ZipAutoOverwrite;
  bool CountingPass = false;
  int32_t ZipArchiveIndex = 0;  // 1-based
  int64_t ZipTotalEntries = 0;
  int64_t ProgressCount = 0;
  bool SelectedEntriesMode = false;
  std::vector<std::string> SelectedEntryNames;  // full stored paths
  bool PerArchiveFolder = false;
  std::string ChosenDestination;
  // True while "Background" hides the Status window; the main window's state then.
  bool StatusMinimised = false;
  int SavedWindowState = 0;
};

}  // namespace tessaly
