#include "engine/driver.h"

#include <cstdlib>
#include <stdexcept>

#include "engine/ace/ace_backend.h"
#include "engine/arj/arj_backend.h"
#include "engine/arj/arj_batch.h"
#include "engine/arj/arj_utility.h"
#include "engine/job_end_notice.h"
#include "engine/libarchive/libarchive_backend.h"
#include "engine/rar/rar_backend.h"
#include "engine/reader_gateway.h"
#include "engine/selection.h"
#include "engine/session.h"
#include "engine/sevenzip/sevenzip_backend.h"
#include "platform/files.h"
#include "settings/destination_history.h"
#include "settings/settings_store.h"
#include "settings/settings_vars.h"

namespace tessaly {

namespace {

constexpr const char* kBatchFileName = "Tessaly.bat";

constexpr const char* kFinishedMessage =
    "Tessaly has finished extracting the files. Press \"OK\" to return to the program, or "
    "\"Explore\" to open a file manager window in the folder to which the files were extracted.";

constexpr const char* kNotFinishedMessage = "Tessaly did not finish extracting the files.";

constexpr const char* kJobRunningText =
    "Tessaly is still extracting files. Please wait until that job has finished, or cancel "
    "it, before you start another one or change its destination.";

MsgAnswer Ask(Session& session, const std::string& text, MsgButtons buttons, MsgIcon icon,
              int defaultButton = 1) {
  return session.dialogs.MessageBox({text, buttons, icon, "Oops!", defaultButton});
}

// The number a text starts with, as the settings compare it ("1" and " 1" are 1).
double NumericValue(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

void DeleteBatchFile(const Session& session) {
  // Without a temporary folder the name would point into the working directory.
  if (session.settings.tempFolder.empty()) return;
  const std::string batch = session.settings.tempFolder + kBatchFileName;
  if (FileExists(batch)) DeleteFile(batch);
}

bool Confirmed(Session& session) {
  // The file managers' start asks nothing before the job: the folder is the archive's.
  if (session.job.statusOnly) return true;
  if (NumericValue(session.settings.showConfirmation) != 1) return true;
  session.job.confirmFromDriver = true;
  // Only "Go" starts the job: a dialog closed without an answer cancels it.
  session.job.confirmCancelled = true;
  ConfirmationModel confirmation;
  confirmation.Load(session);
  session.dialogs.ShowConfirmation(confirmation);
  confirmation.Unload(session);
  return !session.job.confirmCancelled;
}

// Each archive type has its own way through the selection: ZIP archives go through
// the two-pass loop, in one reader; the other types' archives each in a reader of its
// own. Every archive is handed over, whatever the last one returned: after a cancel the
// backend returns at once.
void RunBackend(Session& session) {
  JobState& job = session.job;
  if (job.archiveType == "zip") {
    const std::string first = job.longFileNames.empty() ? "" : job.longFileNames.front();
    ReadArchive(session, ReaderRequest(ReaderTask::ExtractZipArchives, first), [&session] {
      ExtractZipArchives(session);
      return ReaderResult{};
    });
    return;
  }
  if (job.archiveType == "arj") {
    // One batch run extracts every archive of the job.
    ExtractArjArchives(session);
    return;
  }
  if (job.archiveType != "rar" && job.archiveType != "ace" && job.archiveType != "7z" &&
      job.archiveType != "libarchive") {
    return;
  }
  // The reader hands the job's state back whole: the lists are copies. A job of 7z and
  // libarchive archives gives each its own backend.
  const std::vector<std::string> archives = job.longFileNames;
  const std::vector<std::string> types = job.archiveTypes;
  for (size_t i = 0; i < archives.size(); ++i) {
    const std::string& type = i < types.size() ? types[i] : job.archiveType;
    if (ExtractArchive(session, type, archives[i]).code != 0) MarkArchiveFailed(job);
    if (job.stopAllArchives) break;
  }
}

// Classification, destination and confirmation: true when the job may start.
bool ReadyToRun(Session& session) {
  JobState& job = session.job;
  job.confirmCancelled = false;
  job.archiveType = ClassifySelection(session);
  if (job.archiveType == "arj" && !FindArjUtility(session.settings)) {
    Ask(session, kArjUtilityMissingText, MsgButtons::OK, MsgIcon::Exclamation);
    return false;
  }
  if (job.archiveType == "ns") return false;
  if (CheckDestination(session) == "oops") return false;
  job.longFileNames = job.selectedFiles;
  for (std::string& file : job.selectedFiles) file = GetShortName(file);
  return Confirmed(session);
}

// One failed archive is enough: a job is finished only when every archive was. The bar
// stays where the job stopped: full would read as done.
void ReportOutcome(Session& session) {
  StatusModel& status = session.status;
  status.messageLabel.clear();
  const JobState& job = session.job;
  if (job.extractResult != 0 || job.cancelExtract || job.archiveFailed) {
    status.backgroundButtonVisible = false;
    status.archiveLabel = kNotFinishedMessage;
  } else {
    status.archiveLabel = kFinishedMessage;
    status.backgroundButtonCaption = "Explore";
    status.backgroundButtonEnabled = true;
  }
  status.cancelButtonCaption = "OK";
  status.Refresh();
}

// The ARJ probe's listing has served once the job is over, whatever its type.
void RemoveArjScratchFiles(Session& session) {
  if (session.job.archiveType == "arj") DeleteBatchFile(session);
  const std::string listing = session.settings.tempFolder + kArjListingName;
  if (!session.settings.tempFolder.empty() && FileExists(listing)) DeleteFile(listing);
}

void EndJob(Session& session) {
  session.job.running = false;
  if (MainWindowView* main = session.mainWindow.view) {
    // The contents window resets the main window's pointer when it closes.
    if (session.job.callingWindow != CallingWindow::Contents) main->SetBusy(false);
    main->UpdateSelectionState();
  }
  session.job.activeBackend.clear();
}

}  // namespace

void MarkArchiveFailed(JobState& job) {
  job.archiveFailed = true;
  job.extractResult = 1;
}

ReaderResult ExtractArchive(Session& session, const std::string& type, const std::string& archive) {
  using Backend = int32_t (*)(Session&, const std::string&);
  Backend backend = ExtractRarArchive;
  ReaderTask task = ReaderTask::ExtractRar;
  if (type == "ace") {
    backend = ExtractAceArchive;
    task = ReaderTask::ExtractAce;
  } else if (type == "7z") {
    backend = ExtractSevenZipArchive;
    task = ReaderTask::ExtractSevenZip;
  } else if (type == "libarchive") {
    backend = ExtractLibarchiveArchive;
    task = ReaderTask::ExtractLibarchive;
  }
  return ReadArchive(session, {task, archive},
                     [&] { return ReaderResult(backend(session, archive)); });
}

bool RefuseWhileJobRuns(Session& session) {
  if (!session.job.running) return false;
  Ask(session, kJobRunningText, MsgButtons::OK, MsgIcon::Exclamation);
  return true;
}

void ExtractSelectedArchives(Session& session, CallingWindow callingWindow) {
  if (RefuseWhileJobRuns(session)) return;
  JobState& job = session.job;
  // The list holds the job's archives and nothing else.
  if (job.selectedCount < 0) job.selectedCount = 0;
  if (static_cast<size_t>(job.selectedCount) < job.selectedFiles.size()) {
    job.selectedFiles.resize(job.selectedCount);
  }
  job.selectedCount = static_cast<int>(job.selectedFiles.size());
  if (job.selectedCount == 0) return;

  if (MainWindowView* main = session.mainWindow.view) main->SetBusy(true);
  job.running = true;
  job.cancelExtract = false;
  job.cancelPressed = false;
  job.damagedArchivesAsked.clear();
  job.damagedArchivesScanned.clear();
  job.extractResult = 0;
  job.archiveFailed = false;
  job.overwriteAnswer.clear();
  job.stopAllArchives = false;
  job.damagedEntries.clear();
  job.callingWindow = callingWindow;

  DeleteBatchFile(session);
  // The Welcome waits for the program's own first start, not a file manager's action.
  LoadSettings(session.settings, session.dialogs,
               job.statusOnly ? FirstRun::Later : FirstRun::Welcome);
  job.keepBroken =
      !job.testOnly && (job.keepBrokenAlways || session.settings.keepBrokenFiles == "1");

  if (ReadyToRun(session)) {
    StatusModel& status = session.status;
    status.Load(session);
    if (job.archiveType == "arj") PrepareArjStatus(session);
    session.dialogs.ShowStatus(status);
    status.Refresh();
    RunBackend(session);
    ReportOutcome(session);
    const std::optional<JobEndNotice> notice = BackgroundJobEndNotice(job);
    if (notice && session.mainWindow.view != nullptr)
      session.mainWindow.view->TellJobEnded(*notice);
    if (MainWindowView* main = session.mainWindow.view) main->ListFolder();
    // A folder beside an archive is no destination the user chose.
    if (!job.statusOnly) {
      const std::string destination = session.mainWindow.destinationBox.text;
      AddDestinationHistory(session.mainWindow.destinationBox, destination);
    }
  }
  RemoveArjScratchFiles(session);
  EndJob(session);
}

std::string CheckDestination(Session& session) {
  const std::string& destination = session.mainWindow.destinationBox.text;
  if (destination.empty()) {
    const MsgAnswer answer =
        Ask(session,
            "You have not specified a destination folder. If you choose to continue, all files "
            "will be extracted to the current folder, which is \"" +
                CurrentDirectory() + "\". Do you wish to continue?",
            MsgButtons::YesNo, MsgIcon::Exclamation, 2);
    if (answer != MsgAnswer::Yes) {
      if (MainWindowView* main = session.mainWindow.view) main->FocusDestinationBox();
      return "oops";
    }
    return destination;
  }
  if (!DirectoryExists(destination)) {
    const MsgAnswer answer =
        Ask(session,
            "The folder \"" + destination + "\" does not exist. Would you like it to be created?",
            MsgButtons::YesNo, MsgIcon::None);
    if (answer != MsgAnswer::Yes) return "oops";
    if (!CreateFolder(destination).empty()) {
      Ask(session, CouldNotCreateFolderText(destination), MsgButtons::OK, MsgIcon::Exclamation);
      return "oops";
    }
  }
  return session.mainWindow.destinationBox.text;
}

std::string CouldNotCreateFolderText(const std::string& folder) {
  return "Could not create the folder \"" + folder +
         "\". Please use a valid parent folder and remember that the following character is "
         "not allowed in a folder name: /";
}

void ArchiveOptions(Session& session, const std::string& type) {
  const std::string value =
      ApplicationSettings().GetSetting(type + " options", "auto overwrite", "");
  if (type == "zip") {
    session.job.zipAutoOverwrite = value;
    session.job.arjOptions.clear();
  } else if (type == "arj") {
    session.job.arjOptions = value == "1" ? "-y " : "";
  }
}

std::string ParsePath(const std::string& path, int part) {
  if (part < 0 || part > 3) throw std::invalid_argument("ParsePath: part must be 0 to 3");
  std::string drive, folder, name, extension;
  std::string rest = path;
  if (rest.size() >= 2 && rest[1] == ':') {
    drive = rest.substr(0, 2);
    rest = rest.substr(2);
  }
  bool stopped = false;
  for (size_t i = rest.size(); i-- > 0;) {
    const bool followed = i + 1 < rest.size();
    if (rest[i] == '.') {
      if (followed) extension = rest.substr(i);
      rest.resize(i);
    } else if (rest[i] == '/' && followed) {
      name = rest.substr(i + 1);
      folder = rest.substr(0, i + 1);
      stopped = true;
      break;
    }
  }
  if (!stopped) name = rest;
  switch (part) {
    case 0:
      return drive;
    case 1:
      return folder;
    case 2:
      return name;
    default:
      return extension;
  }
}

std::string GetShortName(const std::string& path) {
  return path;
}

}  // namespace tessaly
