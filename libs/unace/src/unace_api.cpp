// The C API: one handle per opened archive, the entry just read, and the records.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "archive_reader.h"
#include "archivekit/archive_session.h"
#include "entry_processor.h"
#include "name_encoding.h"
#include "unace.h"

namespace unace {
namespace {

constexpr uint8_t kHostMsDos = 0;

static_assert(ACE_TEST == 1 && ACE_EXTRACT == 2, "archivekit::action_for reads these codes");

struct ArchiveHandle : archivekit::ArchiveSession<ArchiveReader, EntryProcessor, AceEntry> {
  static ArchiveHandle* from(void* handle) { return static_cast<ArchiveHandle*>(handle); }
  std::string path;
  std::string chosenEncoding;
  std::optional<std::string> nameEncoding;  // settled at the first header
};

// Enough names to judge by; the headers of a larger archive are not all read for them.
constexpr int kSampleEntries = 4096;

// The code page of the names of the whole set stored in one, from all of them: read by
// a reader of its own, so that the handle's stays where it is.
std::string judge_name_encoding(const ArchiveHandle& handle) {
  ArchiveReader reader;
  if (reader.open(handle.path, true) != ACE_OPEN_OK) return "";
  std::vector<std::string> names;
  AceEntry entry;
  for (int read = 0; read < kSampleEntries && reader.next_entry(entry) == ACE_SUCCESS; ++read) {
    if (!entry.codePageName.empty()) names.push_back(entry.codePageName);
  }
  if (names.empty()) return "";
  return handle.chosenEncoding.empty() ? codepage::detect_encoding(names, "CP437")
                                       : handle.chosenEncoding;
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
        handle.path = data->ArcName;
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
  if (!archive->nameEncoding) {
    archive->nameEncoding = unace::judge_name_encoding(*archive);
    archive->reader.set_name_encoding(*archive->nameEncoding);
  }
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

void ACESetNameEncoding(HANDLE handle, const char* encoding) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle)) {
    archive->chosenEncoding = encoding ? encoding : "";
  }
}

const char* ACEGetNameEncoding(HANDLE handle) {
  ArchiveHandle* archive = ArchiveHandle::from(handle);
  return archive && archive->nameEncoding ? archive->nameEncoding->c_str() : "";
}

void ACESetProcessDataProc(HANDLE handle, ACEPROCESSDATAPROC callback) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle))
    archive->processor.set_callback(callback);
}

void ACESetThreads(HANDLE handle, int threads) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle)) archive->processor.set_threads(threads);
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
