#include "engine/arj/arj_backend.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "batch/batch_text.h"
#include "engine/arj/arj_batch.h"
#include "engine/arj/arj_headers.h"
#include "engine/arj/arj_placement.h"
#include "engine/arj/arj_staging.h"
#include "engine/arj/arj_utility.h"
#include "engine/arj/shell_wait.h"
#include "engine/driver.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/job_walls.h"
#include "engine/session.h"
#include "platform/files.h"
#include "settings/private_temp_folder.h"

namespace tessaly {

namespace {

constexpr int kHiddenWindow = 0;

constexpr const char* kWaitingText =
    "Tessaly is waiting for the arj utility to finsh extracting the selected files.";
constexpr const char* kCloseWindowText =
    " Please close the console window when it is finished to return to Tessaly.";
constexpr const char* kUnquotablePassword =
    "Tessaly cannot hand this password to the arj utility: a password that contains a double "
    "quotation mark or a line break cannot be written into the batch file.";

bool ClosesWindowItself(const Session& session) {
  return session.settings.closeExtractWindow == "1";
}

// The owner of the console window comes forward once the batch has finished.
void ActivateMainWindow(Session& session) {
  if (MainWindowView* main = session.mainWindow.view) {
    main->SetEnabled(true);
    main->Show();
  }
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  return static_cast<bool>(file);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Refuse(Session& session, const std::string& text) {
  session.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
  session.job.extractResult = 1;
}

// The first path of the job that cannot be one argument of a batch line, if any.
std::optional<std::string> UnquotablePath(const Session& session, const std::string& utility,
                                          const std::string& destination) {
  std::vector<std::string> paths = {utility, destination};
  paths.insert(paths.end(), session.job.selectedFiles.begin(), session.job.selectedFiles.end());
  for (const std::string& path : paths) {
    if (!BatchPath(path)) return path;
  }
  return std::nullopt;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One password per archive of the job, "" for an archive without garbled entries; nothing
// when the job ends here (no answer, or one the batch file cannot hold), its message shown.
std::optional<std::vector<std::string>> AskPasswords(Session& session) {
  const JobState& job = session.job;
  std::vector<std::string> passwords;
  for (size_t i = 0; i < job.selectedFiles.size(); ++i) {
    if (!ArjArchiveHasGarbledEntry(job.selectedFiles[i])) {
      passwords.emplace_back();
      continue;
    }
    // Short names are the long ones here, so the box names the file as the user chose it.
    const std::string password = AskPassword(session, FileNameOf(job.selectedFiles[i]));
    if (password.empty()) {
      session.dialogs.MessageBox({kNoPasswordText, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
      session.job.extractResult = 1;
      return std::nullopt;
    }
    if (!QuoteBatchArgument(password)) {
      Refuse(session, kUnquotablePassword);
      return std::nullopt;
    }
    passwords.push_back(password);
  }
  return passwords;
}

// One line per archive, each into its own staging folder.
std::string ExtractionBatch(const Session& session, const std::string& utility,
                            const std::vector<ArjStaging::ArchiveFolder>& folders,
                            const std::vector<std::string>& passwords) {
  // Where nobody sees the utility, or nobody can type into its window, nobody can answer
  // it either: it takes Yes for every question (the next volume of a set). The staging
  // folder is empty, so Yes never replaces a file there.
  const ConsoleHost* host = session.programs.host;
  const bool unanswered =
      session.settings.shellWindowStyle == kHiddenWindow || (host && !host->TakesAnswers());
  std::string options = unanswered ? "-y " : session.job.arjOptions;
  // "-jr": a file that fails its CRC stays rather than being deleted; its placement
  // keeps it as "<name>.damaged".
  if (session.job.keepBroken) options += "-jr ";
  std::vector<std::string> lines;
  for (size_t i = 0; i < session.job.selectedFiles.size(); ++i) {
    // Every path and password was checked before: each line can be written.
    lines.push_back(ArjExtractLine(utility, options, session.job.selectedFiles[i], folders[i].base,
                                   passwords[i])
                        .value());
  }
  return BatchText(lines);
}

// The utility reads the job's archives and writes below the destination and the temp
// folder, as a reader would.
ConfinementPlan UtilityWalls(const Session& session, const std::string& utility,
                             const std::string& archive) {
  ConfinementPlan walls = JobConfinementPlan(session, archive);
  walls.readFolders.push_back(FolderOf(utility));
  walls.startsPrograms = true;
  return walls;
}

int32_t RunArjBatch(Session& session, const std::string& utility, const std::string& batchFile) {
  const ConfinementPlan walls = UtilityWalls(session, utility, "");
  if (ClosesWindowItself(session)) {
    return ShellAndWatch(
        session, batchFile, walls, [&session] { ActivateMainWindow(session); },
        session.settings.shellWindowStyle);
  }
  return ShellAndWait(session, batchFile, walls, session.settings.shellWindowStyle);
}

// Why the archive is not handed to the utility, if it is not: on some names the utility
// never ends (nobody could stop it in a hidden window), and the staging folder is made
// only so deep for names that climb.
std::optional<std::string> Refusal(const std::string& archive, const ArjHeaders& headers) {
  for (const ArjEntryHeader& entry : headers.entries) {
    if (ArjNameStallsUtility(entry.name)) {
      return "Tessaly did not extract \"" + ShownEntryName(FileNameOf(archive)) +
             "\": the utility cannot handle the name \"" + ShownEntryName(entry.name) + "\" in it.";
    }
  }
  if (ArjClimbLevels(headers) > kMaxArjClimbLevels) {
    return "Tessaly did not extract \"" + FileNameOf(archive) +
           "\": the names in it lead too far outside the destination folder.";
  }
  return std::nullopt;
}

// The utility unpacks every archive into a staging folder of its own inside the
// destination; then what passes the checks is put in place, archive by archive, and the
// staging folder goes, whatever happened.
void ExtractThroughStaging(Session& session, const std::string& utility,
                           const std::string& destination,
                           const std::vector<std::string>& passwords) {
  JobState& job = session.job;
  std::vector<ArjHeaders> headers;
  for (const std::string& archive : job.selectedFiles) {
    headers.push_back(ReadArjHeaders(archive));
    if (const std::optional<std::string> refusal = Refusal(archive, headers.back())) {
      return Refuse(session, *refusal);
    }
  }
  ArjStaging staging;
  std::vector<ArjStaging::ArchiveFolder> folders;
  int error = staging.Create(destination) ? 0 : errno;
  for (size_t i = 0; error == 0 && i < headers.size(); ++i) {
    const std::optional<ArjStaging::ArchiveFolder> folder =
        staging.AddArchive(i + 1, ArjClimbLevels(headers[i]));
    if (!folder) error = errno;
    if (folder) folders.push_back(*folder);
  }
  if (error != 0) {
    return Refuse(session, "Tessaly could not create a folder to unpack into in \"" +
                               (destination.empty() ? CurrentDirectory() : destination) +
                               "\": " + std::strerror(error) + ".");
  }
  // The batch file holds the passwords while the job runs: it lives in the private
  // (0700) temp folder and the driver deletes it when the job ends.
  const std::string batchFile = session.settings.tempFolder + kArjBatchName;
  NoteScratchFile(batchFile);
  if (session.settings.tempFolder.empty() ||
      !WriteWholeFile(batchFile, ExtractionBatch(session, utility, folders, passwords))) {
    return Refuse(session, "Tessaly could not write the batch file \"" + batchFile + "\".");
  }
  // The runner exits with the first failing command's status, so one damaged or
  // wrongly unlocked archive is not hidden by a later one that went well.
  bool finished = RunArjBatch(session, utility, batchFile) == 0;
  // What the utility did unpack and passes the checks is placed even after a failure.
  for (size_t i = 0; i < folders.size(); ++i) {
    if (!PlaceArjArchive(session, headers[i], folders[i], destination)) finished = false;
  }
  staging.Remove();
  job.extractResult = finished ? 0 : 1;
}

}  // namespace

void PrepareArjStatus(Session& session) {
  StatusModel& status = session.status;
  status.cancelButtonVisible = false;
  if (ClosesWindowItself(session)) {
    status.SetArchiveLabel(kWaitingText);
  } else {
    status.SetArchiveLabel(std::string(kWaitingText) + kCloseWindowText);
    status.SetMax(100);
  }
}

void ExtractArjArchives(Session& session) {
  JobState& job = session.job;
  StatusModel& status = session.status;
  job.activeBackend = "arj";
  ArchiveOptions(session, "arj");
  const std::string destination = session.mainWindow.destinationBox.text;
  const std::optional<std::string> utility = FindArjUtility(session.settings);

  if (!utility) {
    // Gone since the job was checked.
    Refuse(session, kArjUtilityMissingText);
  } else if (const std::optional<std::string> path =
                 UnquotablePath(session, *utility, destination)) {
    // Such a line would split where the name does not: better to run nothing.
    Refuse(session, "Tessaly cannot hand \"" + *path +
                        "\" to the arj utility: a name that contains a double quotation mark "
                        "or a line break cannot be written into the batch file. Please rename "
                        "it and try again.");
  } else if (const std::optional<std::vector<std::string>> passwords = AskPasswords(session)) {
    ExtractThroughStaging(session, *utility, DestinationFolder(destination), *passwords);
  }
  status.cancelButtonVisible = true;
  if (job.extractResult == 0) status.SetValue(status.progressMax);
}

bool ArjProbe(Session& session, const std::string& path) {
  // Our own reading rules out every other file before any utility starts.
  if (!ArjMainHeaderFound(path)) return false;
  // Without the utility the file is still ARJ: Set Information needs none, and a job
  // says where the utility is missing.
  const std::optional<std::string> arj = FindArjUtility(session.settings);
  if (!arj) return true;
  const std::string& tempFolder = session.settings.tempFolder;
  if (!FileExists(*arj) || tempFolder.empty()) return false;
  const std::string batchFile = tempFolder + kArjBatchName;
  const std::string listingFile = tempFolder + kArjListingName;
  const std::optional<std::string> line = ArjListLine(*arj, path, listingFile);
  if (!line) return false;
  // A fresh batch holds only this listing; an old listing must not answer for a run
  // that never happened.
  DeleteFile(listingFile);
  NoteScratchFile(batchFile);
  NoteScratchFile(listingFile);
  if (!WriteWholeFile(batchFile, BatchText({*line}))) return false;
  ShellAndWatch(
      session, batchFile, UtilityWalls(session, *arj, path),
      [&session] { ActivateMainWindow(session); }, kHiddenWindow);
  DeleteFile(batchFile);
  // A program that could not be started leaves an empty listing, never an archive's.
  const std::optional<std::string> listing = ReadWholeFile(listingFile);
  const bool listed =
      listing && !listing->empty() && listing->find("error(s)!") == std::string::npos;
  // The listing serves an archive's contents; of any other file it is left to nobody.
  if (!listed) DeleteFile(listingFile);
  return listed;
}

}  // namespace tessaly
