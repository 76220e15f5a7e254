// The C API: one handle per opened archive, the entry just read, and the records.
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "archive_reader.h"
#include "entry_processor.h"
#include "unace.h"

namespace unace {
namespace {

constexpr uint8_t kHostMsDos = 0;

struct ArchiveHandle {
  ArchiveReader reader;
  EntryProcessor processor{reader};
  std::optional<AceEntry> current;  // read and not yet processed
};

ArchiveHandle* from(HANDLE handle) {
  return static_cast<ArchiveHandle*>(handle);
}

// Copies text into a fixed field, cut before a UTF-8 sequence that would not fit.
void copy_text(char* field, size_t fieldSize, const std::string& text) {
  size_t length = std::min(text.size(), fieldSize - 1);
  if (length < text.size()) {
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

// The backend reads the flags as a binary numeral: the second digit must mean
// "encrypted" and the third "continued from the previous volume" for every entry.
unsigned header_flags(const AceEntry& entry) {
  unsigned flags = ACE_HDF_ALWAYS;
  if (entry.encrypted()) flags |= ACE_HDF_ENCRYPTED;
  if (entry.splitBefore()) flags |= ACE_HDF_SPLITBEFORE;
  if (entry.splitAfter()) flags |= ACE_HDF_SPLITAFTER;
  if (entry.directory()) flags |= ACE_HDF_DIRECTORY;
  return flags;
}

void fill_header(const AceEntry& entry, const ArchiveReader& reader, ACEHeaderData& header) {
  std::memset(&header, 0, sizeof header);
  copy_text(header.ArcName, sizeof header.ArcName, reader.volume_path());
  copy_text(header.FileName, sizeof header.FileName, entry.name);
  copy_text(header.FileNameW, sizeof header.FileNameW, entry.name);
  header.Flags = header_flags(entry);
  header.PackSize = static_cast<unsigned>(entry.packSize);
  header.UnpSize = static_cast<unsigned>(entry.unpackedSize);
  header.FileCRC = entry.crc32;
  header.FileTime = entry.dosTime;
  // DOS hosts leave garbage in the upper bits.
  header.FileAttr =
      reader.main_header().host == kHostMsDos ? entry.attributes & 0xFF : entry.attributes;
  header.CompressionType = entry.type;
  header.DictionaryBits = entry.dictionaryBits;
  header.PackSize64 = entry.packSize;
  header.UnpSize64 = entry.unpackedSize;
}

EntryAction action_for(int operation) {
  return operation == ACE_EXTRACT ? EntryAction::extract
         : operation == ACE_TEST  ? EntryAction::test
                                  : EntryAction::skip;
}

}  // namespace
}  // namespace unace

using unace::ArchiveHandle;

extern "C" {

HANDLE ACEOpenArchive(ACEOpenArchiveData* data) {
  if (!data) return nullptr;
  if (!data->ArcName) {
    data->OpenResult = ACE_OPEN_NOT_ACE;
    return nullptr;
  }
  auto* handle = new (std::nothrow) ArchiveHandle;
  if (!handle) {
    data->OpenResult = ACE_OPEN_NO_MEMORY;
    return nullptr;
  }
  const bool listing = data->OpenMode != ACE_OM_EXTRACT;
  handle->processor.set_listing(listing);
  const int result = handle->reader.open(data->ArcName, !listing);
  data->OpenResult = static_cast<unsigned>(result);
  if (result != ACE_OPEN_OK) {
    delete handle;
    return nullptr;
  }
  return handle;
}

int ACECloseArchive(HANDLE handle) {
  delete unace::from(handle);
  return ACE_SUCCESS;
}

int ACEReadHeader(HANDLE handle, ACEHeaderData* header) {
  ArchiveHandle* archive = unace::from(handle);
  if (!archive || !header) return ACE_BAD_HEADER;
  // An entry that was read but not processed is skipped, so the reader is past it.
  if (archive->current) {
    const unace::AceEntry pending = *archive->current;
    archive->current.reset();
    const int skipped = archive->processor.process(pending, unace::EntryAction::skip, {});
    if (skipped != ACE_SUCCESS) return skipped;
  }
  unace::AceEntry entry;
  const int result = archive->reader.next_entry(entry);
  if (result != ACE_SUCCESS) return result;
  unace::fill_header(entry, archive->reader, *header);
  archive->current = std::move(entry);
  return ACE_SUCCESS;
}

int ACEProcessFile(HANDLE handle, int operation, char* destPath) {
  ArchiveHandle* archive = unace::from(handle);
  if (!archive) return ACE_BAD_HEADER;
  // Nothing read yet, or the entry was processed already: nothing to do.
  if (!archive->current) return ACE_SUCCESS;
  const unace::AceEntry entry = *archive->current;
  archive->current.reset();
  return archive->processor.process(entry, unace::action_for(operation), destPath ? destPath : "");
}

void ACESetPassword(HANDLE handle, char* password) {
  if (ArchiveHandle* archive = unace::from(handle)) {
    archive->processor.set_password(password ? password : "");
  }
}

void ACESetProcessDataProc(HANDLE handle, ACEPROCESSDATAPROC callback) {
  if (ArchiveHandle* archive = unace::from(handle)) archive->processor.set_callback(callback);
}

}  // extern "C"
