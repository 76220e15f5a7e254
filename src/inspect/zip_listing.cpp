#include <string>

#include "engine/arj/arj_batch.h"
#include "engine/reader_gateway.h"
#include "engine/selection.h"
#include "engine/zip/zip_backend.h"
#include "inspect/archive_listings.h"

namespace tessaly {

ListingResult ListZipArchive(Session& session, const std::string& archivePath) {
  JobState& job = session.job;
  job.selectedFiles = {archivePath};
  job.longFileNames = {archivePath};
  job.selectedCount = 1;
  job.zipArchiveIndex = 1;
  job.extractResult = 0;
  job.cancelExtract = false;
  // Without the Status window: the backend's failures speak for themselves.
  job.countingPass = true;
  ZipOptions& zip = session.zip;
  zip.zipFileName = archivePath;
  zip.extractDir.clear();
  zip.includeNames.clear();
  zip.extractList = true;
  zip.listedEntries = 0;
  zip.listedBytes = 0;
  zip.listIntoContents = true;
  session.contents.Clear();
  UnzipArchive(session);
  zip.listIntoContents = false;
  zip.extractList = false;
  job.countingPass = false;
  session.contents.totals =
      ListingTotals(session.contents.FileCount(), static_cast<uint64_t>(zip.listedBytes));
  return job.extractResult == 0 ? ListingResult::Listed : ListingResult::Incomplete;
}

std::string ProbeArchiveForContents(Session& session, std::string archivePath) {
  ContentsModel& contents = session.contents;
  contents.Clear();
  session.zip.listedBytes = 0;
  session.zip.listIntoContents = true;
  const std::string type = DetectArchiveType(session, archivePath);
  session.zip.listIntoContents = false;
  // A ZIP probe that failed part way may have listed some rows; a damaged ZIP is
  // listed again, asking whether to scan it.
  if (type != "zip" || !session.zip.directoryDamage.empty()) {
    contents.Clear();
    return type;
  }
  contents.totals =
      ListingTotals(contents.FileCount(), static_cast<uint64_t>(session.zip.listedBytes));
  contents.probedArchive = archivePath;
  return type;
}

ListingResult ListArchive(Session& session, const std::string& type,
                          const std::string& archivePath) {
  if (type == "zip" && session.contents.probedArchive == archivePath) {
    session.contents.probedArchive.clear();
    return ListingResult::Listed;
  }
  ListingResult (*list)(Session&, const std::string&) = nullptr;
  if (type == "zip") list = ListZipArchive;
  if (type == "rar") list = ListRarArchive;
  if (type == "ace") list = ListAceArchive;
  if (type == "7z") list = ListSevenZipArchive;
  if (type == "libarchive") list = ListLibarchiveArchive;
  if (list != nullptr) {
    const ReaderResult listed =
        ReadArchive(session, ReaderRequest(ReaderTask::List, archivePath, type),
                    [&session, &archivePath, list] {
                      return ReaderResult(static_cast<int32_t>(list(session, archivePath)));
                    });
    // An ended reader has said why; the rows so far stand.
    return listed.ended ? ListingResult::Aborted : static_cast<ListingResult>(listed.code);
  }
  if (type == "arj") return ListArjArchive(session, session.settings.tempFolder + kArjListingName);
  session.contents.Clear();
  return ListingResult::Listed;
}

}  // namespace tessaly
