#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <vector>

#include "engine/entry_messages.h"
#include "engine/libarchive/libarchive_backend.h"
#include "engine/libarchive/libarchive_reader.h"
#include "engine/name_encoding_choice.h"
#include "inspect/archive_listings.h"
#include "safe_path.h"

namespace tessaly {

namespace {

// A compressed file keeps no size of its own: its data is read to count it, with the
// windows kept alive.
uint64_t SingleFileSize(Session& session, LibarchiveReader& reader) {
  uint64_t size = 0;
  const void* block = nullptr;
  size_t blockSize = 0;
  int64_t offset = 0;
  while (reader.ReadBlock(&block, &blockSize, &offset) == ARCHIVE_OK) {
    size = static_cast<uint64_t>(offset) + blockSize;
    session.events.pump();
  }
  return size;
}

std::string ListingFailureText(const LibarchiveReader& reader, const std::string& archivePath) {
  if (reader.encrypted()) return Encrypted7zText(archivePath);
  switch (reader.failure()) {
    case ReadFailure::BadData:
      break;
    case ReadFailure::Damaged:
      return DamagedArchiveText(archivePath);
    case ReadFailure::UnsupportedMethod:
      return UnsupportedMethodText(archivePath);
  }
  return CrcErrorText(archivePath);
}

void Tell(Session& session, const std::string& text) {
  session.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

}  // namespace

ListingResult ListLibarchiveArchive(Session& session, const std::string& archivePath) {
  ContentsModel& contents = session.contents;
  contents.Clear();
  Utf8Names names;
  LibarchiveReader reader;
  reader.JudgeNames(NameEncodingToRead(session));
  const bool opened = reader.Open(archivePath);
  session.job.namesReadIn = reader.name_encoding();
  if (!opened) {
    Tell(session, DriveReadErrorText(archivePath));
    return ListingResult::Aborted;
  }
  uint64_t listedBytes = 0;
  for (;;) {
    struct archive_entry* entry = nullptr;
    const int read = reader.NextHeader(&entry);
    if (read == ARCHIVE_EOF) break;
    if (read != ARCHIVE_OK && read != ARCHIVE_WARN) {
      Tell(session, ListingFailureText(reader, archivePath));
      return ListingResult::Incomplete;
    }
    std::string name = reader.entry_name(entry);
    // A folder is a row of its own, as in the ZIP listing: no name, its path.
    const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
    if (folder && !name.ends_with('/')) name += '/';
    // "./" names the archive's own top.
    std::vector<char> cleaned(name.size() + 1);
    if (folder &&
        safepath_clean(name.c_str(), cleaned.data(), cleaned.size(), nullptr) == SAFEPATH_EMPTY) {
      continue;
    }
    const uint64_t size = reader.single_file() ? SingleFileSize(session, reader)
                          : folder             ? 0
                                               : static_cast<uint64_t>(archive_entry_size(entry));
    contents.AppendRow(DatedListingRow(name, archive_entry_is_encrypted(entry),
                                       static_cast<int64_t>(archive_entry_mtime(entry)), size));
    listedBytes += size;
  }
  contents.totals = ListingTotals(contents.FileCount(), listedBytes);
  return ListingResult::Listed;
}

}  // namespace tessaly
