#include "inspect/entry_viewing.h"

#include <vector>

#include "engine/arj/arj_backend.h"
#include "engine/arj/arj_batch.h"
#include "engine/driver.h"
#include "engine/entry_target.h"
#include "engine/reader_gateway.h"
#include "engine/zip/zip_backend.h"
#include "platform/files.h"
#include "settings/private_temp_folder.h"

namespace tessaly {

namespace {

constexpr int kHiddenWindow = 0;

std::optional<std::string> UnpackZipEntry(Session& session, const std::string& archivePath,
                                          const std::string& storedName) {
  const std::string& tempFolder = session.settings.tempFolder;
  JobState& job = session.job;
  ZipOptions& zip = session.zip;
  job.zipArchiveIndex = 1;
  // The overwrite question reads the ZIP settings; a counting pass shows no Status window.
  const std::string previousBackend = job.activeBackend;
  job.activeBackend = "zip";
  job.countingPass = true;
  zip.zipFileName = archivePath;
  zip.extractDir = tempFolder;
  zip.includeNames = LiteralPatterns({storedName});
  zip.excludeNames.clear();
  zip.honorDirectories = false;
  zip.promptToOverwrite = true;
  zip.overwriteAll = false;
  zip.extractList = false;
  zip.showComment = false;
  ReadArchive(session, ReaderRequest(ReaderTask::Unzip, archivePath), [&session] {
    UnzipArchive(session);
    return ReaderResult{};
  });
  zip.includeNames.clear();
  job.countingPass = false;
  job.activeBackend = previousBackend;

  if (job.stopAllArchives) {
    job.stopAllArchives = false;
    return std::nullopt;
  }
  const size_t slash = storedName.rfind('/');
  const std::string unpacked =
      tempFolder + (slash == std::string::npos ? storedName : storedName.substr(slash + 1));
  NoteScratchFile(unpacked);
  return unpacked;
}

// The folders on the way to path (below folder) that are not there yet.
std::vector<std::string> MissingFolders(const std::string& folder, const std::string& path) {
  std::vector<std::string> missing;
  for (size_t slash = path.find('/', folder.size()); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (!DirectoryExists(path.substr(0, slash))) missing.push_back(path.substr(0, slash));
  }
  return missing;
}

// The other types go through the backend Extract Selected runs, with only this entry
// selected and the temporary folder as the destination.
std::optional<std::string> UnpackThroughBackend(Session& session, const std::string& type,
                                                const std::string& archivePath,
                                                const std::string& storedName) {
  const std::string& tempFolder = session.settings.tempFolder;
  const std::optional<EntryTarget> target = ResolveEntryTarget(tempFolder, storedName);
  if (!target) return std::nullopt;
  const std::vector<std::string> madeFolders = MissingFolders(tempFolder, target->path);
  JobState& job = session.job;
  std::string& destination = session.mainWindow.destinationBox.text;
  const std::string previousDestination = destination;
  const std::string previousBackend = job.activeBackend;
  destination = tempFolder;
  job.selectedEntriesMode = true;
  job.selectedEntryNames = {storedName};
  if (type == "arj") {
    // One entry for a viewer: the utility's window has nothing to show.
    const int previousStyle = session.settings.shellWindowStyle;
    session.settings.shellWindowStyle = kHiddenWindow;
    job.selectedFiles = {archivePath};
    ExtractArjArchives(session);
    session.settings.shellWindowStyle = previousStyle;
    // It may hold a password: gone now, as a job's goes when the job ends.
    DeleteFile(tempFolder + kArjBatchName);
  } else {
    ExtractArchive(session, type, archivePath);
  }
  job.selectedEntriesMode = false;
  destination = previousDestination;
  job.activeBackend = previousBackend;
  // The scratch files go when the program ends, deepest first.
  for (const std::string& folder : madeFolders) NoteScratchFile(folder);
  NoteScratchFile(target->path);
  if (job.overwriteAnswer == "Cancel") return std::nullopt;
  return target->path;
}

}  // namespace

std::optional<std::string> UnpackEntryForViewing(Session& session, const std::string& type,
                                                 const std::string& archivePath,
                                                 const std::string& storedName) {
  if (session.settings.tempFolder.empty()) return std::nullopt;
  JobState& job = session.job;
  job.cancelExtract = false;
  job.extractResult = 0;
  job.stopAllArchives = false;
  job.overwriteAnswer.clear();
  if (type == "zip") return UnpackZipEntry(session, archivePath, storedName);
  return UnpackThroughBackend(session, type, archivePath, storedName);
}

}  // namespace tessaly
