#include <memory>
#include <string>

#include "engine/entry_messages.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/session.h"
#include "engine/sevenzip/sevenzip_archive.h"
#include "engine/sevenzip/sevenzip_backend.h"
#include "inspect/archive_listings.h"

namespace tessaly {

namespace {

std::string OpenFailureText(unsigned int code, const std::string& archivePath) {
  switch (code) {
    case UN7Z_BAD_PASSWORD:
      return kWrongPasswordText;
    case UN7Z_VOLUME_MISSING:
      return kSevenZipMissingVolume;
    case UN7Z_BAD_ARCHIVE:
    case UN7Z_BAD_DATA:
      return DamagedArchiveText(archivePath);
    case UN7Z_UNSUPPORTED:
      return UnsupportedMethodText(archivePath);
    default:
      return DriveReadErrorText(archivePath);
  }
}

void Tell(Session& session, const std::string& text) {
  session.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

}  // namespace

ListingResult ListSevenZipArchive(Session& session, const std::string& archivePath) {
  ContentsModel& contents = session.contents;
  contents.Clear();
  auto archive = std::make_unique<SevenZipArchive>(archivePath);
  if (archive->openResult() == UN7Z_MISSING_PASSWORD) {
    // Encrypted headers: nothing can be listed before the password, asked as
    // extraction asks it.
    const std::string password = AskPassword(session, SevenZipArchiveFileName(archivePath));
    if (password.empty()) {
      Tell(session, kNoPasswordText);
      return ListingResult::Aborted;
    }
    archive = std::make_unique<SevenZipArchive>(archivePath, password);
  }
  if (!archive->opened()) {
    Tell(session, OpenFailureText(archive->openResult(), archivePath));
    return ListingResult::Aborted;
  }
  session.job.namesReadIn.clear();  // every 7z name is in Unicode
  uint64_t listedBytes = 0;
  Un7zHeaderData header{};
  while (archive->ReadHeader(header) == UN7Z_SUCCESS) {
    if ((header.Flags & UN7Z_FLAG_ANTI) != 0) continue;
    std::string name = SevenZipEntryName(header);
    const bool folder = (header.Flags & UN7Z_FLAG_DIRECTORY) != 0;
    if (folder && NamesTheDestination(name)) continue;
    // A folder is a row of its own, as in the ZIP listing: no name, its path.
    if (folder && !name.ends_with('/')) name += '/';
    const int64_t modified = (header.Flags & UN7Z_FLAG_MTIME) != 0 ? header.MTime : 0;
    const uint64_t size = folder ? 0 : header.UnpSize64;
    contents.AppendRow(
        DatedListingRow(name, (header.Flags & UN7Z_FLAG_ENCRYPTED) != 0, modified, size));
    listedBytes += size;
  }
  contents.totals = ListingTotals(contents.FileCount(), listedBytes);
  return ListingResult::Listed;
}

}  // namespace tessaly
