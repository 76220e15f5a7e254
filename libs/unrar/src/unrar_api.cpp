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
#include "rar4_names.h"
#include "rar4_old_comment.h"
#include "unrar.h"

namespace unrar {
namespace {

constexpr unsigned kFlagsAlways = RHDF_ALWAYS;

static_assert(RAR_TEST == 1 && RAR_EXTRACT == 2, "archivekit::action_for reads these codes");

struct ArchiveHandle : archivekit::ArchiveSession<ArchiveReader, EntryProcessor, ArchiveEntry> {
  CHANGEVOLPROC changeVolume = nullptr;
  std::string path;
  std::optional<std::string> password;
  std::string chosenEncoding;
  std::optional<std::string> nameEncoding;  // settled at the first header
};

// Enough names to judge by; the headers of a larger archive are not all read for them.
constexpr int kSampleEntries = 4096;

// The code page of the archive's names stored in one, from all of them: read by a
// reader of its own, so that the handle's stays where it is. Nothing while the headers
// are encrypted and no password was given.
std::optional<std::string> judge_name_encoding(const ArchiveHandle& handle) {
  ArchiveReader reader;
  if (reader.open(handle.path) != ERAR_SUCCESS) return "";
  if (handle.password) reader.set_password(*handle.password);
  std::vector<std::string> names;
  ArchiveEntry entry;
  int result = ERAR_SUCCESS;
  for (int read = 0; read < kSampleEntries && (result = reader.next_entry(entry)) == ERAR_SUCCESS;
       ++read) {
    if (!entry.codePageName.empty()) names.push_back(entry.codePageName);
  }
  if (result == ERAR_MISSING_PASSWORD) return std::nullopt;
  if (names.empty()) return "";
  return handle.chosenEncoding.empty() ? codepage::detect_encoding(names, "CP437")
                                       : handle.chosenEncoding;
}

ArchiveHandle* from(HANDLE handle) {
  return static_cast<ArchiveHandle*>(handle);
}

unsigned header_flags(const ArchiveEntry& entry) {
  if (entry.directory) return RHDF_DIRECTORY_FLAGS;
  unsigned flags = kFlagsAlways;
  if (entry.splitBefore) flags |= RHDF_SPLITBEFORE;
  if (entry.splitAfter) flags |= RHDF_SPLITAFTER;
  if (entry.encrypted) flags |= RHDF_ENCRYPTED;
  return flags;
}

void fill_header(const ArchiveEntry& entry, const std::string& volume, RARHeaderData& header) {
  archivekit::copy_to_field(header.ArcName, sizeof header.ArcName, volume);
  archivekit::copy_to_field(header.FileName, sizeof header.FileName, entry.name);
  archivekit::copy_to_field(header.FileNameW, sizeof header.FileNameW, entry.name);
  header.Flags = header_flags(entry);
  header.PackSize = static_cast<unsigned>(entry.packSize);
  header.UnpSize = static_cast<unsigned>(entry.unpackedSize);
  header.PackSize64 = entry.packSize;
  header.UnpSize64 = entry.unpackedSize;
  header.HostOS = static_cast<unsigned>(entry.hostOs);
  header.FileCRC = entry.crc32.value_or(0);
  header.FileTime = entry.dosTime;
  header.UnpVer = static_cast<unsigned>(entry.unpackVersion);
  header.Method = static_cast<unsigned>(entry.method);
  header.FileAttr = entry.attributes;
  header.CmtSize = 0;
  header.CmtState = 0;
}

constexpr uint32_t kUnicodeComment = 0x01;

// The archive comment: embedded in the main header of old archives, a service
// entry in newer ones. An ERAR_* code; ERAR_END_ARCHIVE when there is none.
int comment_text(ArchiveReader& reader, std::string& text) {
  if (!reader.old_comment().empty()) return unpack_old_comment(reader.old_comment(), text);
  const std::optional<ArchiveEntry> comment = reader.comment_entry();
  if (!comment) return ERAR_END_ARCHIVE;
  EntryProcessor commentReader(reader);
  const int result = commentReader.unpack_text(*comment, text);
  if (result == ERAR_SUCCESS && comment->unpackVersion != 50 &&
      (comment->attributes & kUnicodeComment)) {
    text = utf16le_to_utf8(text);
  }
  return result;
}

// The archive comment into the open record's buffer, cut to fit.
void read_comment(ArchiveReader& reader, RAROpenArchiveData& data) {
  std::string text;
  const int result = comment_text(reader, text);
  if (result == ERAR_END_ARCHIVE) return;
  if (result != ERAR_SUCCESS) {
    data.CmtState = static_cast<unsigned>(result);
    return;
  }
  // Some writers store the terminator with the text.
  text.resize(std::min(text.size(), text.find('\0')));
  const size_t fits = std::min<size_t>(text.size(), data.CmtBufSize - 1);
  std::memcpy(data.CmtBuf, text.data(), fits);
  data.CmtBuf[fits] = '\0';
  data.CmtSize = static_cast<unsigned>(fits + 1);
  data.CmtState = fits == text.size() ? 1 : ERAR_SMALL_BUF;
}

}  // namespace
}  // namespace unrar

using unrar::ArchiveHandle;

extern "C" {

HANDLE RAROpenArchive(RAROpenArchiveData* data) {
  if (!data) return nullptr;
  data->CmtSize = 0;
  data->CmtState = 0;
  if (!data->ArcName) {
    data->OpenResult = ERAR_EOPEN;
    return nullptr;
  }
  return archivekit::open_handle<ArchiveHandle>(
      data->OpenResult, ERAR_NO_MEMORY, [&](ArchiveHandle& handle) {
        handle.processor.set_listing(data->OpenMode == RAR_OM_LIST);
        handle.path = data->ArcName;
        const int result = handle.reader.open(data->ArcName);
        if (result == ERAR_SUCCESS && data->CmtBuf && data->CmtBufSize > 0) {
          unrar::read_comment(handle.reader, *data);
        }
        return result;
      });
}

int RARCloseArchive(HANDLE handle) {
  delete unrar::from(handle);
  return ERAR_SUCCESS;
}

int RARReadHeader(HANDLE handle, RARHeaderData* header) {
  ArchiveHandle* archive = unrar::from(handle);
  if (!archive || !header) return ERAR_EREFERENCE;
  if (!archive->nameEncoding) {
    archive->nameEncoding = unrar::judge_name_encoding(*archive);
    archive->reader.set_name_encoding(archive->nameEncoding.value_or(""));
  }
  return archive->read_next([&](const unrar::ArchiveEntry& entry) {
    unrar::fill_header(entry, archive->reader.volume_path(), *header);
  });
}

int RARSkipDamagedBlock(HANDLE handle) {
  ArchiveHandle* archive = unrar::from(handle);
  if (!archive) return ERAR_EREFERENCE;
  return archive->reader.skip_damaged_block();
}

int RARProcessFile(HANDLE handle, int operation, char* destPath, char* destName) {
  ArchiveHandle* archive = unrar::from(handle);
  if (!archive) return ERAR_EREFERENCE;
  return archive->process_current(archivekit::action_for(operation),
                                  std::string(destPath ? destPath : ""),
                                  std::string(destName ? destName : ""));
}

void RARSetPassword(HANDLE handle, char* password) {
  ArchiveHandle* archive = unrar::from(handle);
  if (!archive) return;
  const std::string text = password ? password : "";
  archive->reader.set_password(text);
  archive->processor.set_password(text);
  archive->password = text;
}

void RARSetProcessDataProc(HANDLE handle, PROCESSDATAPROC callback) {
  ArchiveHandle* archive = unrar::from(handle);
  if (!archive) return;
  archive->processor.set_callback(callback);
  archive->reader.set_volume_callback(callback);
}

void RARSetKeepBroken(HANDLE handle, int keep) {
  if (ArchiveHandle* archive = unrar::from(handle)) archive->processor.set_keep_broken(keep != 0);
}

void RARSetThreads(HANDLE handle, int threads) {
  if (ArchiveHandle* archive = unrar::from(handle)) archive->processor.set_threads(threads);
}

const char* RARKeptName(HANDLE handle) {
  ArchiveHandle* archive = unrar::from(handle);
  return archive ? archive->processor.kept_name().c_str() : "";
}

void RARSetChangeVolProc(HANDLE handle, CHANGEVOLPROC callback) {
  if (ArchiveHandle* archive = unrar::from(handle)) archive->changeVolume = callback;
}

void RARSetNameEncoding(HANDLE handle, const char* encoding) {
  if (ArchiveHandle* archive = unrar::from(handle))
    archive->chosenEncoding = encoding ? encoding : "";
}

const char* RARGetNameEncoding(HANDLE handle) {
  ArchiveHandle* archive = unrar::from(handle);
  return archive && archive->nameEncoding ? archive->nameEncoding->c_str() : "";
}

}  // extern "C"
