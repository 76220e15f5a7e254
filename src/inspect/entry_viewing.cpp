#include "inspect/entry_viewing.h"

#include "engine/driver.h"
#include "engine/reader_gateway.h"
#include "engine/zip/zip_backend.h"
#include "settings/private_temp_folder.h"

namespace tessaly {

std::optional<std::string> UnpackEntryForViewing(Session& session, const std::string& archivePath,
                                                 const std::string& storedName) {
  const std::string& tempFolder = session.settings.tempFolder;
  if (tempFolder.empty()) return std::nullopt;
  JobState& job = session.job;
  ZipOptions& zip = session.zip;
  job.cancelExtract = false;
  job.extractResult = 0;
  job.zipArchiveIndex = 1;
  job.stopAllArchives = false;
  job.overwriteAnswer.clear();
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

}  // namespace tessaly
