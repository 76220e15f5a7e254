#include <archive.h>
#include <archive_entry.h>

#include <string>

#include "engine/entry_messages.h"
#include "engine/libarchive/libarchive_backend.h"
#include "engine/libarchive/libarchive_reader.h"
#include "inspect/archive_listings.h"
#include "platform/folder_listing.h"

namespace tessaly {

namespace {

// A compressed file keeps no size of its own: its data is read to count it, with the
// windows kept alive.
uint64_t SingleFileSize(Session& session, struct archive* reader) {
  uint64_t size = 0;
  const void* block = nullptr;
  size_t blockSize = 0;
  la_int64_t offset = 0;
  while (archive_read_data_block(reader, &block, &blockSize, &offset) == ARCHIVE_OK) {
    size = static_cast<uint64_t>(offset) + blockSize;
    session.events.pump();
  }
  return size;
}

// The other listings' row, with the date where they show the unpacked size.
ContentsRow LibarchiveRow(const std::string& storedName, bool encrypted, int64_t modified,
                          uint64_t size) {
  ContentsRow row = ListingRow(storedName, encrypted, 0, size);
  row.subItems[0] = FormatFileDate(modified);
  return row;
}

void Tell(Session& session, const std::string& text) {
  session.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

}  // namespace

ListingResult ListLibarchiveArchive(Session& session, const std::string& archivePath) {
  ContentsModel& contents = session.contents;
  contents.Clear();
  LibarchiveReader reader;
  if (!reader.Open(archivePath)) {
    Tell(session, DriveReadErrorText(archivePath));
    return ListingResult::Aborted;
  }
  uint64_t listedBytes = 0;
  for (;;) {
    struct archive_entry* entry = nullptr;
    const int read = archive_read_next_header(reader.handle(), &entry);
    if (read == ARCHIVE_EOF) break;
    if (read != ARCHIVE_OK && read != ARCHIVE_WARN) {
      Tell(session, archive_read_has_encrypted_entries(reader.handle()) > 0
                        ? Encrypted7zText(archivePath)
                        : CrcErrorText(archivePath));
      return ListingResult::Incomplete;
    }
    // Folders show as the Path of what they hold.
    if (archive_entry_filetype(entry) == AE_IFDIR) continue;
    const std::string name = reader.entry_name(entry);
    const uint64_t size = reader.single_file() ? SingleFileSize(session, reader.handle())
                                               : static_cast<uint64_t>(archive_entry_size(entry));
    contents.AppendRow(LibarchiveRow(name, archive_entry_is_encrypted(entry),
                                     static_cast<int64_t>(archive_entry_mtime(entry)), size));
    listedBytes += size;
  }
  contents.totals = ListingTotals(contents.rows.size(), listedBytes);
  return ListingResult::Listed;
}

}  // namespace tessaly
