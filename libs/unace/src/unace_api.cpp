// The C API: one handle per opened archive, the entry just read, and the records.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "archive_reader.h"
#include "archivekit/archive_session.h"
#include "entry_processor.h"
#include "unace.h"

namespace unace {
namespace {

constexpr uint8_t kHostMsDos = 0;

static_assert(ACE_TEST == 1 && ACE_EXTRACT == 2, "archivekit::action_for reads these codes");

using ArchiveHandle = archivekit::ArchiveSession<ArchiveReader, EntryProcessor, AceEntry>;

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
  archivekit::copy_to_field(header.ArcName, sizeof header.ArcName, reader.volume_path());
  archivekit::copy_to_field(header.FileName, sizeof header.FileName, entry.name);
  archivekit::copy_to_field(header.FileNameW, sizeof header.FileNameW, entry.name);
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
  const bool listing = data->OpenMode != ACE_OM_EXTRACT;
  return archivekit::open_handle<ArchiveHandle>(
      data->OpenResult, ACE_OPEN_NO_MEMORY, [&](ArchiveHandle& handle) {
        handle.processor.set_listing(listing);
        return handle.reader.open(data->ArcName, !listing);
      });
}

int ACECloseArchive(HANDLE handle) {
  delete ArchiveHandle::from(handle);
  return ACE_SUCCESS;
}

int ACEReadHeader(HANDLE handle, ACEHeaderData* header) {
  ArchiveHandle* archive = ArchiveHandle::from(handle);
  if (!archive || !header) return ACE_BAD_HEADER;
  return archive->read_next(
      [&](const unace::AceEntry& entry) { unace::fill_header(entry, archive->reader, *header); });
}

int ACEProcessFile(HANDLE handle, int operation, char* destPath) {
  ArchiveHandle* archive = ArchiveHandle::from(handle);
  if (!archive) return ACE_BAD_HEADER;
  return archive->process_current(archivekit::action_for(operation),
                                  std::string(destPath ? destPath : ""));
}

void ACESetPassword(HANDLE handle, char* password) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle)) {
    archive->processor.set_password(password ? password : "");
  }
}

void ACESetProcessDataProc(HANDLE handle, ACEPROCESSDATAPROC callback) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle))
    archive->processor.set_callback(callback);
}

void ACESetKeepBroken(HANDLE handle, int keep) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle))
    archive->processor.set_keep_broken(keep != 0);
}

const char* ACEKeptName(HANDLE handle) {
  ArchiveHandle* archive = ArchiveHandle::from(handle);
  return archive ? archive->processor.kept_name().c_str() : "";
}

}  // extern "C"
