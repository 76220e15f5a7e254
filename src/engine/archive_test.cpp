#include "engine/archive_test.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "engine/driver.h"
#include "engine/session.h"

namespace tessaly {

namespace {

int64_t CountFiles(const std::filesystem::path& folder) {
  int64_t count = 0;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_directory(error)) ++count;
  }
  return count;
}

ArchiveTestResult TestArchive(Session& session, const std::string& archive,
                              CallingWindow callingWindow) {
  ArchiveTestResult result;
  result.archive = archive;
  const std::string& tempFolder = session.settings.tempFolder;
  std::string scratch = tempFolder + "test-XXXXXX";
  if (tempFolder.empty() || mkdtemp(scratch.data()) == nullptr) {
    result.problems.push_back("The scratch folder for the test could not be made in \"" +
                              tempFolder + "\".");
    return result;
  }
  JobState& job = session.job;
  job.selectedFiles = {archive};
  job.selectedCount = 1;
  session.mainWindow.destinationBox.text = scratch + "/";
  session.dialogs.messageLog = &result.problems;
  ExtractSelectedArchives(session, callingWindow);
  session.dialogs.messageLog = nullptr;

  result.intactFiles = CountFiles(scratch);
  result.damagedEntries = job.damagedEntries;
  result.intact = result.problems.empty() && job.extractResult == 0 && !job.archiveFailed &&
                  !job.cancelExtract && !job.cancelPressed;
  // The arj utility names its damaged entries in its own output, not in a message.
  if (!result.intact && result.problems.empty()) {
    result.problems.push_back(job.cancelPressed ? "The test was cancelled."
                                                : "Not every entry came out intact.");
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  return result;
}

void ShowSummaries(StatusModel& status, const std::vector<ArchiveTestResult>& results) {
  std::string summaries;
  for (const ArchiveTestResult& result : results) summaries += TestSummaryText(result);
  if (!summaries.empty()) summaries.pop_back();
  status.archiveLabel = summaries;
  status.messageLabel.clear();
  // The files were only tested: there is no folder to explore.
  status.backgroundButtonVisible = false;
  status.Refresh();
}

}  // namespace

std::vector<ArchiveTestResult> TestSelectedArchives(Session& session, CallingWindow callingWindow) {
  std::vector<ArchiveTestResult> results;
  if (RefuseWhileJobRuns(session)) return results;
  JobState& job = session.job;
  const std::vector<std::string> archives(
      job.selectedFiles.begin(),
      job.selectedFiles.begin() +
          std::clamp<size_t>(static_cast<size_t>(std::max(job.selectedCount, 0)), 0,
                             job.selectedFiles.size()));
  const std::string destination = session.mainWindow.destinationBox.text;
  const bool statusOnly = job.statusOnly;
  // As a file manager's start: no confirmation, no destination history.
  job.statusOnly = true;
  job.testOnly = true;
  for (const std::string& archive : archives) {
    results.push_back(TestArchive(session, archive, callingWindow));
    if (job.cancelPressed) break;
  }
  job.statusOnly = statusOnly;
  job.testOnly = false;
  job.selectedFiles = archives;
  job.selectedCount = static_cast<int>(archives.size());
  session.mainWindow.destinationBox.text = destination;
  if (MainWindowView* main = session.mainWindow.view) main->UpdateSelectionState();
  if (session.status.loaded) ShowSummaries(session.status, results);
  return results;
}

std::string TestSummaryText(const ArchiveTestResult& result) {
  if (result.intact) {
    return result.archive + ": all " + std::to_string(result.intactFiles) + " files are intact.\n";
  }
  std::string text = result.archive + ": damaged or unreadable:\n";
  for (const std::string& entry : result.damagedEntries) {
    text += "  " + entry + ": its data is damaged.\n";
  }
  for (const std::string& problem : result.problems) text += "  " + problem + "\n";
  return text;
}

}  // namespace tessaly
