// The driver's ZIP loop: a counting pass over every ZIP archive of the job (for the
// progress bar's maximum), then the extraction pass.
#include <string>
#include <vector>

#include "engine/archive_folder_name.h"
#include "engine/driver.h"
#include "engine/session.h"
#include "engine/zip/zip_backend.h"
#include "platform/files.h"

namespace tessaly {

namespace {

void ClearLoopFlags(JobState& job) {
  job.selectedEntriesMode = false;
  job.perArchiveFolder = false;
  job.zipErrorContinued = false;
}

// The folder archive i (0-based) is extracted into.
std::string ArchiveDestination(Session& session, size_t i) {
  const std::string& destination = session.mainWindow.destinationBox.text;
  if (!session.mainWindow.perArchiveFolder && !session.job.perArchiveFolder) return destination;
  std::string folder = destination;
  // Without a destination the sub-folder goes into the working directory, not the root.
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::vector<std::string>& longNames = session.job.longFileNames;
  const std::string& archive = i < longNames.size() ? longNames[i] : session.job.selectedFiles[i];
  folder += UsableFolderName(ParsePath(archive, 2), archive);
  if (!DirectoryExists(folder)) CreateFolder(folder);
  return folder;
}

}  // namespace

std::vector<std::string> SelectedEntryPatterns(const std::vector<std::string>& names) {
  std::vector<std::string> patterns;
  patterns.reserve(names.size());
  for (const std::string& name : names) {
    std::string pattern;
    for (char c : name) {
      if (c == '\\' || c == '*' || c == '?' || c == '[') pattern += '\\';
      pattern += c;
    }
    // A folder brings what is stored under it.
    if (pattern.ends_with('/')) pattern += '*';
    patterns.push_back(std::move(pattern));
  }
  return patterns;
}

void ExtractZipArchives(Session& session) {
  JobState& job = session.job;
  ZipOptions& zip = session.zip;
  session.events.pump();
  job.zipArchiveIndex = 0;
  job.entryBytes.Restart();
  job.activeBackend = "zip";
  job.countingPass = true;

  for (int pass = 0; pass < 2; ++pass) {
    ArchiveOptions(session, "zip");
    zip.overwriteAll = job.zipAutoOverwrite == "1";
    zip.promptToOverwrite = !zip.overwriteAll;
    job.stopAllArchives = false;

    for (size_t i = 0; i < job.selectedFiles.size(); ++i) {
      if (job.stopAllArchives || job.cancelExtract) {
        job.extractResult = 1;
        ClearLoopFlags(job);
        return;
      }
      zip.extractDir.clear();
      zip.listedEntries = 0;
      if (job.overwriteAnswer == "All") zip.overwriteAll = true;
      zip.showComment = false;
      zip.extractList = true;
      zip.honorDirectories = true;
      zip.includeNames = job.selectedEntriesMode ? SelectedEntryPatterns(job.selectedEntryNames)
                                                 : std::vector<std::string>{};
      zip.excludeNames.clear();
      zip.zipFileName = job.selectedFiles[i];
      if (!job.countingPass) {
        zip.extractDir = ArchiveDestination(session, i);
        zip.extractList = false;
      }
      job.zipArchiveIndex = static_cast<int32_t>(i + 1);
      UnzipArchive(session);
      if (job.countingPass) job.entryBytes.Count(zip.zipMemberBytes, zip.zipMemberCount);
    }

    if (job.countingPass) {
      // The list pass counted the selected entries alone.
      session.status.SetMax(job.entryBytes.total());
      job.countingPass = false;
    }
  }

  // A stopped job's bar stays where it stopped.
  if (!job.zipErrorContinued && !job.stopAllArchives && !job.cancelExtract) {
    session.status.SetValue(session.status.progressMax);
  }
  job.overwriteAnswer.clear();
  job.extractResult = job.stopAllArchives ? 1 : 0;
  ClearLoopFlags(job);
}

}  // namespace tessaly
