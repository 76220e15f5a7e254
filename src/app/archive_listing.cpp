#include "app/archive_listing.h"

#include <ostream>

#include "app/extract_options.h"
#include "engine/selection.h"
#include "engine/session.h"
#include "engine/zip/zip_backend.h"
#include "inspect/archive_listings.h"

namespace tessaly {

namespace {

// The command-line start's refusal for a file no backend lists here.
void ShowUnsupported(Session& session, const std::string& path) {
  session.dialogs.MessageBox(
      {NotSupportedText(path), MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
}

// The ZIP backend in list mode, filling the contents model as the contents window does.
bool ListZipIntoContents(Session& session, const std::string& path) {
  JobState& job = session.job;
  job.selectedFiles = {path};
  job.longFileNames = {path};
  job.selectedCount = 1;
  job.zipArchiveIndex = 1;
  job.extractResult = 0;
  job.cancelExtract = false;
  job.countingPass = true;
  session.zip.zipFileName = path;
  session.zip.extractDir.clear();
  session.zip.includeNames.clear();
  session.zip.extractList = true;
  session.zip.listedEntries = 0;
  session.zip.listedBytes = 0;
  session.zip.listIntoContents = true;
  session.contents.Clear();
  UnzipArchive(session);
  session.zip.listIntoContents = false;
  job.countingPass = false;
  return job.extractResult == 0;
}

void PrintContents(const Session& session, const std::string& path, std::ostream& out) {
  const ContentsModel& contents = session.contents;
  out << "Archive: " << path << "\n";
  // Rows were inserted at the top, so the archive's order is from the bottom up.
  for (auto row = contents.rows.rbegin(); row != contents.rows.rend(); ++row) {
    const auto& sub = row->subItems;  // date, unpacked, ratio, packed, folder
    out << row->text << "\t" << sub[4] << "\t" << sub[1] << "\t" << sub[3] << "\t" << sub[0]
        << "\n";
  }
  out << "Total Files: " << contents.rows.size()
      << "  Total Uncompressed Size: " << session.zip.listedBytes << "\n";
}

// RAR and ACE rows: name with "+" when encrypted, folder, unpacked size, packed size.
void PrintHeaderWalkContents(const Session& session, const std::string& path, std::ostream& out) {
  const ContentsModel& contents = session.contents;
  out << "Archive: " << path << "\n";
  for (auto row = contents.rows.rbegin(); row != contents.rows.rend(); ++row) {
    const auto& sub = row->subItems;  // unpacked, packed, folder
    out << row->text << "\t" << sub[2] << "\t" << sub[0] << "\t" << sub[1] << "\n";
  }
  out << contents.totals << "\n";
}

void ShowMissingRarVolume(Session& session) {
  session.dialogs.MessageBox(
      {kRarListingMissingVolume, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

// The RAR or ACE listing; false when it ended in a message.
bool ListByHeaders(Session& session, const std::string& type, const std::string& path) {
  if (type == "ace") return ListAceArchive(session, path) == ListingResult::Listed;
  if (ListRarArchive(session, path) == ListingResult::MissingVolume) {
    ShowMissingRarVolume(session);
    return false;
  }
  return true;
}

}  // namespace

int ListArchives(Session& session, const std::vector<std::string>& archives, std::ostream& out) {
  for (const std::string& path : archives) {
    const std::string type = DetectArchiveType(session, path);
    if (type == "rar" || type == "ace") {
      if (!ListByHeaders(session, type, path)) return kExitNotFinished;
      PrintHeaderWalkContents(session, path, out);
      continue;
    }
    if (type != "zip") {
      ShowUnsupported(session, path);
      return kExitRefused;
    }
    if (!ListZipIntoContents(session, path)) return kExitNotFinished;
    PrintContents(session, path, out);
  }
  return kExitFinished;
}

}  // namespace tessaly
