#include "engine/job_walls.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "engine/session.h"
#include "platform/files.h"
#include "settings/settings_store.h"

namespace tessaly {

std::string FolderOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? "." : absolute.parent_path().string();
}

ConfinementPlan JobConfinementPlan(const Session& session, const std::string& archive) {
  ConfinementPlan plan;
  std::vector<std::string> archives = session.job.longFileNames;
  archives.insert(archives.end(), session.job.selectedFiles.begin(),
                  session.job.selectedFiles.end());
  for (const std::string& path : {archive, session.zip.zipFileName}) {
    if (!path.empty()) archives.push_back(path);
  }
  for (const std::string& path : archives) {
    if (!path.empty()) plan.readFolders.push_back(FolderOf(path));
  }
  plan.readFolders.push_back(FolderOf(ApplicationSettings().FilePath()));
  const std::string& destination = session.mainWindow.destinationBox.text;
  plan.writeFolders.push_back(destination.empty() ? CurrentDirectory() : destination);
  if (!session.settings.tempFolder.empty()) {
    plan.writeFolders.push_back(session.settings.tempFolder);
  }
  // Half the machine's memory, at least 2 GiB (a 7z or RAR dictionary may take 1.5 GiB)
  // and at most 8 GiB: a bomb ends as "not enough memory" with the machine still free.
  const uint64_t physical =
      static_cast<uint64_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  plan.memoryBytes = std::clamp<uint64_t>(physical / 2, uint64_t{2} << 30, uint64_t{8} << 30);
  return plan;
}

}  // namespace tessaly
