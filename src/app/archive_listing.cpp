#include "app/archive_listing.h"

#include <ostream>

#include "app/extract_options.h"
#include "engine/arj/arj_batch.h"
#include "engine/selection.h"
#include "engine/session.h"
#include "engine/zip/zip_backend.h"
#include "inspect/archive_listings.h"
#include "platform/files.h"

namespace tessaly {

namespace {

// The command-line start's refusal for a file no backend lists here.
void ShowUnsupported(Session& session, const std::string& path) {
  session.dialogs.MessageBox(
      {NotSupportedText(path), MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
}

void PrintContents(const Session& session, const std::string& path, std::ostream& out) {
  const ContentsModel& contents = session.contents;
  out << "Archive: " << path << "\n";
  // Rows were inserted at the top, so the archive's order is from the bottom up.
  for (auto row = contents.rows.rbegin(); row != contents.rows.rend(); ++row) {
    const auto& sub = row->subItems;  // date, unpacked, ratio, packed, folder
    out << row->text << (row->folder ? "/" : "") << "\t" << sub[4] << "\t" << sub[1] << "\t"
        << sub[3] << "\t" << sub[0] << "\n";
  }
  out << contents.totals << "\n";
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

// ARJ rows, in the archive's order: whole stored name, date and time, unpacked size,
// packed size. A listing that ended early has no totals line.
void PrintArjContents(const Session& session, const std::string& path, std::ostream& out) {
  const ContentsModel& contents = session.contents;
  out << "Archive: " << path << "\n";
  for (const ContentsRow& row : contents.rows) {
    const auto& sub = row.subItems;  // date, unpacked, ratio, packed
    out << row.storedName << "\t" << sub[0] << "\t" << sub[1] << "\t" << sub[3] << "\n";
  }
  if (!contents.totals.empty()) out << contents.totals << "\n";
}

// Rows of 7z archives and those read through libarchive, in the archive's order, after
// the format's name: whole stored name, date and time, size.
void PrintDatedContents(const Session& session, const std::string& path, const std::string& format,
                        std::ostream& out) {
  const ContentsModel& contents = session.contents;
  out << "Archive: " << path << "\n";
  out << "Format: " << format << "\n";
  for (const ContentsRow& row : contents.rows) {
    const auto& sub = row.subItems;  // date, size, folder
    out << row.storedName << "\t" << sub[0] << "\t" << sub[1] << "\n";
  }
  if (!contents.totals.empty()) out << contents.totals << "\n";
}

void ShowMissingRarVolume(Session& session) {
  session.dialogs.MessageBox(
      {kRarListingMissingVolume, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

}  // namespace

int ListArchives(Session& session, const std::vector<std::string>& archives, std::ostream& out) {
  for (const std::string& path : archives) {
    // Lists a ZIP archive as it probes it: its directory is read once.
    const std::string type = ProbeArchiveForContents(session, path);
    if (type.empty()) {
      // A reader ended while it probed has said why: the archive failed.
      if (session.job.readerEnded) return kExitNotFinished;
      // The ARJ probe, the last one, left its listing of a file it did not take.
      DeleteFile(session.settings.tempFolder + kArjListingName);
      ShowUnsupported(session, path);
      return kExitRefused;
    }
    if (type == "arj") {
      const ListingResult result = ListArchive(session, type, path);
      // The probe's listing has served: nothing else here reads it.
      DeleteFile(session.settings.tempFolder + kArjListingName);
      PrintArjContents(session, path, out);
      if (result != ListingResult::Listed) return kExitNotFinished;
      continue;
    }
    switch (ListArchive(session, type, path)) {
      case ListingResult::Listed:
        break;
      case ListingResult::MissingVolume:
        ShowMissingRarVolume(session);
        return kExitNotFinished;
      case ListingResult::Aborted:
      case ListingResult::Incomplete:
        return kExitNotFinished;
    }
    if (type == "zip") {
      PrintContents(session, path, out);
    } else if (type == "7z") {
      PrintDatedContents(session, path, "7-Zip", out);
    } else if (type == "libarchive") {
      PrintDatedContents(session, path, session.job.archiveFormat, out);
    } else {
      PrintHeaderWalkContents(session, path, out);
    }
  }
  return kExitFinished;
}

}  // namespace tessaly
