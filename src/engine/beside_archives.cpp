#include "engine/beside_archives.h"

#include <filesystem>
#include <functional>
#include <set>

#include "engine/archive_folder_name.h"
#include "engine/driver.h"
#include "engine/extract_here.h"
#include "engine/selection.h"
#include "engine/session.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace tessaly {

namespace {

constexpr const char* kFinishedLead = "Tessaly has finished extracting the files.";

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool FinishedJob(const Session& session) {
  return session.status.archiveLabel.rfind(kFinishedLead, 0) == 0 && !session.job.archiveFailed &&
         !session.job.cancelExtract;
}

// The folder named after an archive, made before the job so that the job does not
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

std::vector<BesideJob> PlanBesideJobs(BesideMode mode, const std::vector<std::string>& archives,
                                      const std::function<std::string(const std::string&)>& typeOf,
                                      const HerePlacement& here) {
  namespace fs = std::filesystem;
  std::vector<BesideJob> jobs;
  std::vector<std::string> types;
  for (const std::string& archive : archives) {
    const fs::path path = fs::absolute(fs::path(archive)).lexically_normal();
    std::string destination = WithSlash(path.parent_path().string());
    const std::string type = typeOf(path.string());
    if (mode == BesideMode::ToFolders) destination += ArchiveFolderName(path.string()) + "/";
    if (mode == BesideMode::Here && here.ownFolder(path.string())) {
      std::string name = ArchiveFolderName(path.string());
      if (here.numberedFolder) {
        const std::string parent = destination;
        name = FreeNumberedName(name, [&parent](const std::string& candidate) {
          return fs::exists(fs::symlink_status(parent + candidate));
        });
      }
      destination += name + "/";
    }
    size_t i = 0;
    while (i < jobs.size() &&
           (jobs[i].destination != destination || !TypesShareAJob(types[i], type)))
      ++i;
    if (i == jobs.size()) {
      jobs.push_back({destination, {}});
      types.push_back(type);
    }
    jobs[i].archives.push_back(path.string());
  }
  return jobs;
}

int ExtractBesideArchives(Session& session, BesideMode mode,
                          const std::vector<std::string>& archives, const EntryLister& entriesOf) {
  JobState& job = session.job;
  bool finished = true;
  // An archive whose reader had to be ended failed already, and the user was told.
  std::set<std::string> ended;
  // Nothing is listed, nor a folder made, for a file no backend takes.
  std::set<std::string> unknown;
  const auto typeOf = [&session, &ended, &unknown](const std::string& path) {
    std::string type = DetectArchiveType(session, path);
    if (session.job.readerEnded) ended.insert(path);
    if (type.empty()) unknown.insert(path);
    return type;
  };
  const ExtractHereChoice choice = ReadExtractHereChoice();
  const HerePlacement here{[&](const std::string& path) {
                             if (ended.count(path) || unknown.count(path)) return false;
                             return choice.alwaysNewFolder || NeedsOwnFolder(entriesOf(path));
                           },
                           choice.numberedFolder};
  for (BesideJob& planned : PlanBesideJobs(mode, archives, typeOf, here)) {
    std::erase_if(planned.archives, [&](const std::string& path) { return ended.count(path); });
    if (!ended.empty()) finished = false;
    if (planned.archives.empty()) continue;
    if (!MakeDestination(session, planned.destination)) {
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
    if (job.cancelExtract || job.stopAllArchives) break;
  }
  // The job is over: the Status window's "OK" closes it.
  if (session.status.loaded && session.status.cancelButtonCaption == "OK") {
    session.status.CancelButtonClicked(session);
  }
  return finished ? kBesideExitFinished : kBesideExitNotFinished;
}

}  // namespace tessaly
