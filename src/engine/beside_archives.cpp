#include "engine/beside_archives.h"

#include <filesystem>

#include "engine/driver.h"
#include "engine/selection.h"
#include "engine/session.h"
#include "platform/ascii_case.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace tessaly {

namespace {

constexpr const char* kFinishedLead = "Tessaly has finished extracting the files.";

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The archive's name without its extension, as file managers name such folders
// ("photos.2020.zip" gives "photos.2020"), and without the volume number of a RAR
// set ("set.part1.rar" gives "set"), so that the volumes of a set share a folder.
std::string FolderNameFor(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  // ".zip" has no name before its extension; a folder of the same name cannot be made.
  if (dot == 0) return fileName.substr(1);
  std::string name = fileName.substr(0, dot);
  const size_t volume = name.rfind('.');
  if (volume != std::string::npos && volume > 0) {
    const std::string suffix = AsciiLower(name.substr(volume + 1));
    const bool numbered = suffix.size() > 4 && suffix.compare(0, 4, "part") == 0 &&
                          suffix.find_first_not_of("0123456789", 4) == std::string::npos;
    if (numbered) name.resize(volume);
  }
  return name;
}

bool FinishedJob(const Session& session) {
  return session.status.archiveLabel.rfind(kFinishedLead, 0) == 0 && !session.job.archiveFailed &&
         !session.job.cancelExtract;
}

// The folder for "Extract to Folders", made before the job so that the job does not
// ask whether to make it; false after saying it cannot be made.
bool MakeDestination(Session& session, const std::string& folder) {
  if (DirectoryExists(folder) || CreateFolder(folder).empty()) return true;
  session.dialogs.MessageBox(
      {CouldNotCreateFolderText(folder), MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
  return false;
}

}  // namespace

BesideRequest ParseBesideArguments(const std::vector<std::string>& args) {
  BesideRequest request;
  if (args.empty()) return request;
  if (args[0] == "--extract-here") {
    request.mode = BesideMode::Here;
  } else if (args[0] == "--extract-to-folders") {
    request.mode = BesideMode::ToFolders;
  } else {
    return request;
  }
  size_t first = 1;
  if (first < args.size() && args[first] == "--") ++first;
  for (size_t i = first; i < args.size(); ++i) {
    if (!args[i].empty()) request.archives.push_back(args[i]);
  }
  if (request.archives.empty()) request.mode = BesideMode::Usage;
  return request;
}

std::vector<BesideJob> PlanBesideJobs(BesideMode mode, const std::vector<std::string>& archives) {
  namespace fs = std::filesystem;
  std::vector<BesideJob> jobs;
  std::vector<std::string> extensions;
  for (const std::string& archive : archives) {
    const fs::path path = fs::absolute(fs::path(archive)).lexically_normal();
    std::string destination = WithSlash(path.parent_path().string());
    if (mode == BesideMode::ToFolders) {
      destination += FolderNameFor(path.filename().string()) + "/";
    }
    const std::string extension = LastThreeLower(archive);
    size_t i = 0;
    while (i < jobs.size() && (jobs[i].destination != destination || extensions[i] != extension)) {
      ++i;
    }
    if (i == jobs.size()) {
      jobs.push_back({destination, {}});
      extensions.push_back(extension);
    }
    jobs[i].archives.push_back(path.string());
  }
  return jobs;
}

int ExtractBesideArchives(Session& session, BesideMode mode,
                          const std::vector<std::string>& archives) {
  JobState& job = session.job;
  bool finished = true;
  for (const BesideJob& planned : PlanBesideJobs(mode, archives)) {
    if (mode == BesideMode::ToFolders && !MakeDestination(session, planned.destination)) {
      finished = false;
      continue;
    }
    session.mainWindow.destinationBox.text = planned.destination;
    session.mainWindow.perArchiveFolder = false;
    job.perArchiveFolder = false;
    job.statusOnly = true;
    job.dropMode = false;
    job.selectedFiles = planned.archives;
    job.selectedCount = static_cast<int>(planned.archives.size());
    session.status.archiveLabel.clear();
    ExtractSelectedArchives(session, CallingWindow::MainWindow);
    if (!FinishedJob(session)) finished = false;
    if (job.cancelExtract) break;
  }
  // The job is over: the Status window's "OK" closes it.
  if (session.status.loaded && session.status.cancelButtonCaption == "OK") {
    session.status.CancelButtonClicked(session);
  }
  return finished ? kBesideExitFinished : kBesideExitNotFinished;
}

}  // namespace tessaly
