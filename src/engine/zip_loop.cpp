// The driver's ZIP loop: a counting pass over every ZIP archive of the job (for the
// progress bar's maximum), then the extraction pass.
#include <string>
#include <vector>

#include "engine/driver.h"
#include "engine/session.h"
#include "engine/zip/zip_backend.h"
#include "platform/files.h"

namespace tessaly {

namespace {

void ClearLoopFlags(JobState& job) {
  job.SelectedEntriesMode = false;
  job.PerArchiveFolder = false;
  job.ZipErrorContinued = false;
}

// The library reads include names as patterns; escaped, each selected entry
// selects exactly itself, whatever characters its name holds.
std::vector<std::string> LiteralPatterns(const std::vector<std::string>& names) {
  std::vector<std::string> patterns;
  patterns.reserve(names.size());
  for (const std::string& name : names) {
    std::string pattern;
    for (char c : name) {
      if (c == '\\' || c == '*' || c == '?' || c == '[') pattern += '\\';
      pattern += c;
    }
    patterns.push_back(std::move(pattern));
  }
  return patterns;
}

// The folder archive i (0-based) is extracted into.
std::string ArchiveDestination(Session& session, size_t i) {
  const std::string& destination = session.mainWindow.destinationBox.text;
  if (!session.mainWindow.perArchiveFolder && !session.job.PerArchiveFolder) return destination;
  std::string folder = destination;
  // Without a destination the sub-folder goes into the working directory, not the root.
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::vector<std::string>& longNames = session.job.LongFileNames;
  folder += ParsePath(i < longNames.size() ? longNames[i] : session.job.SelectedFiles[i], 2);
  if (!DirectoryExists(folder)) CreateFolder(folder);
  return folder;
}

}  // namespace

void ExtractZipArchives(Session& session) {
  JobState& job = session.job;
  ZipOptions& zip = session.zip;
  session.events.pump();
  job.ZipArchiveIndex = 0;
  job.ZipTotalEntries = 0;
  job.ProgressCount = 0;
  job.ActiveBackend = "zip";
  job.CountingPass = true;

  for (int pass = 0; pass < 2; ++pass) {
    ArchiveOptions(session, "zip");
    zip.uOverwriteAll = job.ZipAutoOverwrite == "1";
    zip.uPromptToOverwrite = !zip.uOverwriteAll;
    job.StopAllArchives = false;

    for (size_t i = 0; i < job.SelectedFiles.size(); ++i) {
      if (job.StopAllArchives || job.CancelExtract) {
        job.ExtractResult = 1;
        ClearLoopFlags(job);
        return;
      }
      zip.ExtractDir.clear();
      zip.ListedEntries = 0;
      if (job.OverwriteAnswer == "All") zip.uOverwriteAll = true;
      zip.uShowComment = false;
      zip.uExtractList = true;
      zip.uHonorDirectories = true;
      zip.IncludeNames = job.SelectedEntriesMode ? LiteralPatterns(job.SelectedEntryNames)
                                                 : std::vector<std::string>{};
      zip.ExcludeNames.clear();
      zip.ZipFileName = job.SelectedFiles[i];
      if (!job.CountingPass) {
        zip.ExtractDir = ArchiveDestination(session, i);
        zip.uExtractList = false;
      }
      job.ZipArchiveIndex = static_cast<int32_t>(i + 1);
      UnzipArchive(session);
      if (job.CountingPass) job.ZipTotalEntries += zip.ZipMemberCount;
    }

    if (job.CountingPass) {
      session.status.SetMax(job.SelectedEntriesMode
                                ? static_cast<int64_t>(job.SelectedEntryNames.size())
                                : job.ZipTotalEntries);
      job.CountingPass = false;
    }
  }

  if (!job.ZipErrorContinued) session.status.SetValue(job.ZipTotalEntries);
  job.OverwriteAnswer.clear();
  job.ExtractResult = job.StopAllArchives ? 1 : 0;
  ClearLoopFlags(job);
}

}  // namespace tessaly
