#include "inspect/entry_viewing.h"

#include <stdlib.h>

#include <algorithm>
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

// Runs the ZIP library over the chosen entries into folder; false when the user
// cancelled at a File Exists question.
bool UnpackZipEntries(Session& session, const std::string& archivePath,
                      const std::vector<std::string>& storedNames, const std::string& folder,
                      bool withFolders) {
  JobState& job = session.job;
  ZipOptions& zip = session.zip;
  job.zipArchiveIndex = 1;
  job.stopAllArchives = false;
  // The overwrite question reads the ZIP settings; a counting pass shows no Status window.
  const std::string previousBackend = job.activeBackend;
  job.activeBackend = "zip";
  job.countingPass = true;
  zip.zipFileName = archivePath;
  zip.extractDir = folder;
  zip.includeNames = SelectedEntryPatterns(storedNames);
  zip.excludeNames.clear();
  zip.honorDirectories = withFolders;
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
  const bool cancelled = job.stopAllArchives;
  job.stopAllArchives = false;
  return !cancelled;
}

std::optional<std::string> UnpackZipEntry(Session& session, const std::string& archivePath,
                                          const std::string& storedName) {
  const std::string& tempFolder = session.settings.tempFolder;
  if (!UnpackZipEntries(session, archivePath, {storedName}, tempFolder, false)) {
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

// The other types go through the backend Extract Selected runs, with the chosen entries
// selected and folder as the destination; false when the user cancelled.
bool UnpackThroughBackend(Session& session, const std::string& type, const std::string& archivePath,
                          const std::vector<std::string>& storedNames, const std::string& folder) {
  JobState& job = session.job;
  std::string& destination = session.mainWindow.destinationBox.text;
  const std::string previousDestination = destination;
  const std::string previousBackend = job.activeBackend;
  destination = folder;
  job.selectedEntriesMode = true;
  job.selectedEntryNames = storedNames;
  if (type == "arj") {
    // Entries for another program: the utility's window has nothing to show.
    const int previousStyle = session.settings.shellWindowStyle;
    session.settings.shellWindowStyle = kHiddenWindow;
    job.selectedFiles = {archivePath};
    ExtractArjArchives(session);
    session.settings.shellWindowStyle = previousStyle;
    // It may hold a password: gone now, as a job's goes when the job ends.
    DeleteFile(session.settings.tempFolder + kArjBatchName);
  } else {
    ExtractArchive(session, type, archivePath);
  }
  job.selectedEntriesMode = false;
  job.stopAllArchives = false;
  destination = previousDestination;
  job.activeBackend = previousBackend;
  return job.overwriteAnswer != "Cancel";
}

std::optional<std::string> UnpackEntryThroughBackend(Session& session, const std::string& type,
                                                     const std::string& archivePath,
                                                     const std::string& storedName) {
  const std::string& tempFolder = session.settings.tempFolder;
  const std::optional<EntryTarget> target = ResolveEntryTarget(tempFolder, storedName);
  if (!target) return std::nullopt;
  const std::vector<std::string> madeFolders = MissingFolders(tempFolder, target->path);
  const bool unpacked = UnpackThroughBackend(session, type, archivePath, {storedName}, tempFolder);
  // The scratch files go when the program ends, deepest first.
  for (const std::string& folder : madeFolders) NoteScratchFile(folder);
  NoteScratchFile(target->path);
  if (!unpacked) return std::nullopt;
  return target->path;
}

void StartUnpacking(JobState& job) {
  job.cancelExtract = false;
  job.extractResult = 0;
  job.stopAllArchives = false;
  job.overwriteAnswer.clear();
}

}  // namespace

std::optional<std::string> UnpackEntryForViewing(Session& session, const std::string& type,
                                                 const std::string& archivePath,
                                                 const std::string& storedName) {
  if (session.settings.tempFolder.empty()) return std::nullopt;
  StartUnpacking(session.job);
  if (type == "zip") return UnpackZipEntry(session, archivePath, storedName);
  return UnpackEntryThroughBackend(session, type, archivePath, storedName);
}

std::vector<std::string> UnpackEntriesForDrag(Session& session, const std::string& type,
                                              const std::string& archivePath,
                                              const std::vector<std::string>& storedNames) {
  const std::string& tempFolder = session.settings.tempFolder;
  if (tempFolder.empty()) return {};
  std::string folder = tempFolder + "drag-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) return {};
  NoteScratchTree(folder);
  folder += "/";
  StartUnpacking(session.job);
  const bool unpacked = type == "zip"
                            ? UnpackZipEntries(session, archivePath, storedNames, folder, true)
                            : UnpackThroughBackend(session, type, archivePath, storedNames, folder);
  std::vector<std::string> paths;
  for (const std::string& name : storedNames) {
    const std::optional<EntryTarget> target = ResolveEntryTarget(folder, name);
    if (!unpacked || !target) continue;
    std::string path = target->path;
    if (path.ends_with('/')) path.pop_back();
    // A chosen folder's entries bring their folder along; it is dragged once.
    const bool inChosenFolder = std::any_of(paths.begin(), paths.end(), [&](const std::string& p) {
      return path.starts_with(p + "/");
    });
    if (!inChosenFolder && (FileExists(path) || DirectoryExists(path))) paths.push_back(path);
  }
  return paths;
}

}  // namespace tessaly
