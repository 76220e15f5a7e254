// The C API: one handle per opened archive, the entry just read, and the records.
#include <algorithm>
#include <cstring>
#include <string>

#include "archive_reader.h"
#include "archivekit/archive_session.h"
#include "entry_processor.h"
#include "folder_decoder.h"
#include "un7z.h"

namespace un7z {
namespace {

static_assert(UN7Z_TEST == 1 && UN7Z_EXTRACT == 2, "archivekit::action_for reads these codes");

using ArchiveHandle = archivekit::ArchiveSession<ArchiveReader, EntryProcessor, SevenZipEntry>;

unsigned header_flags(const SevenZipEntry& entry, const Folder* folder) {
  unsigned flags = 0;
  if (entry.directory) flags |= UN7Z_FLAG_DIRECTORY;
  if (entry.symlink()) flags |= UN7Z_FLAG_SYMLINK;
  if (entry.anti) flags |= UN7Z_FLAG_ANTI;
  if (entry.crc) flags |= UN7Z_FLAG_CRC;
  if (entry.mtime) flags |= UN7Z_FLAG_MTIME;
  if (entry.ctime) flags |= UN7Z_FLAG_CTIME;
  if (entry.atime) flags |= UN7Z_FLAG_ATIME;
  if (folder && folder->encrypted()) flags |= UN7Z_FLAG_ENCRYPTED;
  if (folder && folder->substreams > 1) flags |= UN7Z_FLAG_SOLID;
  return flags;
}

// Names stored by Windows use "\" between folders; a Unix name may hold one.
std::string entry_name(const SevenZipEntry& entry) {
  std::string name = entry.name;
  if (!entry.unix_mode()) std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

void fill_header(const SevenZipEntry& entry, const ArchiveReader& reader, Un7zHeaderData& header) {
  std::memset(&header, 0, sizeof header);
  const Folder* folder = entry.hasStream ? &reader.streams().folders[entry.folder] : nullptr;
  archivekit::copy_to_field(header.ArcName, sizeof header.ArcName, reader.file().path());
  archivekit::copy_to_field(header.FileName, sizeof header.FileName, entry_name(entry));
  header.Flags = header_flags(entry, folder);
  header.FileCRC = entry.crc.value_or(0);
  header.FileAttr = entry.attributes.value_or(entry.directory ? 0x10 : 0);
  header.UnpSize64 = entry.size;
  if (folder) {
    archivekit::copy_to_field(header.Method, sizeof header.Method, method_names(*folder));
    if (entry.indexInFolder == 0) {
      const auto& sizes = reader.streams().packSizes;
      for (size_t i = 0; i < folder->packedInStreams.size(); ++i) {
        header.PackSize64 += sizes[folder->firstPackStream + i];
      }
    }
  }
  const auto set_time = [](const std::optional<FileTime>& time, long long& seconds,
                           unsigned& nanoseconds) {
    if (!time) return;
    seconds = time->seconds;
    nanoseconds = time->nanoseconds;
  };
  set_time(entry.mtime, header.MTime, header.MTimeNsec);
  set_time(entry.ctime, header.CTime, header.CTimeNsec);
  set_time(entry.atime, header.ATime, header.ATimeNsec);
}

}  // namespace
}  // namespace un7z

using un7z::ArchiveHandle;

extern "C" {

HANDLE Un7zOpenArchive(Un7zOpenArchiveData* data) {
  if (!data) return nullptr;
  if (!data->ArcName) {
    data->OpenResult = UN7Z_EOPEN;
    return nullptr;
  }
  return archivekit::open_handle<ArchiveHandle>(
      data->OpenResult, UN7Z_NO_MEMORY, [&](ArchiveHandle& handle) {
        handle.reader.passwords().set_callback(data->PasswordProc);
        return handle.reader.open(data->ArcName);
      });
}

int Un7zCloseArchive(HANDLE handle) {
  delete ArchiveHandle::from(handle);
  return UN7Z_SUCCESS;
}

int Un7zReadHeader(HANDLE handle, Un7zHeaderData* header) {
  ArchiveHandle* archive = ArchiveHandle::from(handle);
  if (!archive || !header) return UN7Z_BAD_ARCHIVE;
  return archive->read_next([&](const un7z::SevenZipEntry& entry) {
    un7z::fill_header(entry, archive->reader, *header);
  });
}

void Un7zRewind(HANDLE handle) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle)) archive->rewind();
}

int Un7zProcessFile(HANDLE handle, int operation, char* destPath) {
  ArchiveHandle* archive = ArchiveHandle::from(handle);
  if (!archive) return UN7Z_BAD_ARCHIVE;
  return archive->process_current(archivekit::action_for(operation),
                                  std::string(destPath ? destPath : ""));
}

void Un7zSetPassword(HANDLE handle, char* password) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle)) {
    archive->reader.passwords().set(password ? std::optional<std::string>(password) : std::nullopt);
    archive->processor.password_changed();
  }
}

void Un7zSetPasswordProc(HANDLE handle, UN7ZPASSWORDPROC callback) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle)) {
    archive->reader.passwords().set_callback(callback);
  }
}

void Un7zSetProcessDataProc(HANDLE handle, UN7ZPROCESSDATAPROC callback) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle))
    archive->processor.set_callback(callback);
}

void Un7zSetThreads(HANDLE handle, int threads) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle)) archive->processor.set_threads(threads);
}

void Un7zSetKeepBroken(HANDLE handle, int keep) {
  if (ArchiveHandle* archive = ArchiveHandle::from(handle))
    archive->processor.set_keep_broken(keep != 0);
}

const char* Un7zKeptName(HANDLE handle) {
  const ArchiveHandle* archive = ArchiveHandle::from(handle);
  return archive ? archive->processor.kept_name().c_str() : "";
}

}  // extern "C"
