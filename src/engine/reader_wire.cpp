#include "engine/reader_wire.h"

#include <errno.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "engine/session.h"

namespace tessaly {

namespace {

// No record comes near this; a bigger length means a broken stream.
constexpr uint32_t kMaxRecordBytes = 1u << 30;

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = send(fd, data, size, MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Every field of a state struct, listed once for both directions (the job's probe
// answers, the Status window's Background state and its Cancel stay with the front end:
// a reader's copy from before the click would undo it).
template <typename Job, typename Visit>
void EachJobField(Job& job, Visit&& visit) {
  visit(job.running);
  visit(job.selectedFiles);
  visit(job.selectedCount);
  visit(job.longFileNames);
  visit(job.archiveType);
  visit(job.archiveFormat);
  visit(job.currentExt);
  visit(job.callingWindow);
  visit(job.cancelExtract);
  visit(job.extractResult);
  visit(job.archiveFailed);
  visit(job.overwriteAnswer);
  visit(job.keepExistingFiles);
  visit(job.keepBroken);
  visit(job.keepBrokenAlways);
  visit(job.stopAllArchives);
  visit(job.zipErrorContinued);
  visit(job.scanDamagedArchives);
  visit(job.damagedArchivesAsked);
  visit(job.damagedArchivesScanned);
  visit(job.probeMode);
  visit(job.probeIsExe);
  visit(job.readerEnded);
  visit(job.activeBackend);
  visit(job.confirmCancelled);
  visit(job.confirmFromDriver);
  visit(job.dropMode);
  visit(job.statusOnly);
  visit(job.arjOptions);
  visit(job.zipAutoOverwrite);
  visit(job.countingPass);
  visit(job.zipArchiveIndex);
  visit(job.nameEncoding);
  visit(job.namesReadIn);
  visit(job.damagedEntries);
  visit(job.selectedEntriesMode);
  visit(job.selectedEntryNames);
  visit(job.perArchiveFolder);
  visit(job.chosenDestination);
}

template <typename Zip, typename Visit>
void EachZipField(Zip& zip, Visit&& visit) {
  visit(zip.promptToOverwrite);
  visit(zip.extractList);
  visit(zip.showComment);
  visit(zip.honorDirectories);
  visit(zip.overwriteAll);
  visit(zip.zipFileName);
  visit(zip.extractDir);
  visit(zip.includeNames);
  visit(zip.excludeNames);
  visit(zip.zipMemberCount);
  visit(zip.zipMemberBytes);
  visit(zip.listedEntries);
  visit(zip.listedBytes);
  visit(zip.listIntoContents);
  visit(zip.lastListing.key);
  visit(zip.lastListing.code);
  visit(zip.lastListing.members);
  visit(zip.lastListing.bytes);
  visit(zip.lastListing.entries);
  visit(zip.diskFullPath);
  visit(zip.passwordRefused);
  visit(zip.unsupportedEntries);
  visit(zip.entryRefused);
  visit(zip.keptDamaged);
  visit(zip.threads);
  visit(zip.directoryDamage);
}

template <typename Vars, typename Visit>
void EachSettingsField(Vars& vars, Visit&& visit) {
  visit(vars.hideOutput);
  visit(vars.shellWindowStyle);
  visit(vars.doubleClickAction);
  visit(vars.showNonZipMessage);
  visit(vars.arjLocation);
  visit(vars.showConfirmation);
  visit(vars.showFileType);
  visit(vars.lastDestinationFolder);
  visit(vars.lastSourceFolder);
  visit(vars.startupFolderMode);
  visit(vars.startupFolder);
  visit(vars.startupMode);
  visit(vars.closeExtractWindow);
  visit(vars.tempFolder);
  visit(vars.nameEncoding);
}

template <typename Status, typename Visit>
void EachStatusField(Status& status, Visit&& visit) {
  visit(status.archiveLabel);
  visit(status.messageLabel);
  visit(status.progressMax);
  visit(status.progressValue);
  visit(status.cancelButtonCaption);
  visit(status.cancelButtonVisible);
  visit(status.backgroundButtonCaption);
  visit(status.backgroundButtonEnabled);
  visit(status.backgroundButtonVisible);
  visit(status.loaded);
  visit(status.visible);
}

template <typename Row, typename Visit>
void EachRowField(Row& row, Visit&& visit) {
  visit(row.text);
  visit(row.iconKey);
  for (auto& item : row.subItems) visit(item);
  visit(row.storedName);
  visit(row.folder);
  visit(row.modified);
}

struct Writing {
  WireWriter& out;
  void operator()(const std::string& value) { out.Put(value); }
  void operator()(const std::vector<std::string>& values) { out.Put(values); }
  void operator()(bool value) { out.Put(value); }
  template <typename Number>
  requires std::is_arithmetic_v<Number> || std::is_enum_v<Number>
  void operator()(Number value) { out.Put(static_cast<int64_t>(value)); }
};

struct Reading {
  WireReader& in;
  void operator()(std::string& value) { value = in.String(); }
  void operator()(std::vector<std::string>& values) { values = in.Strings(); }
  void operator()(bool& value) { value = in.Flag(); }
  template <typename Number>
  requires std::is_arithmetic_v<Number> || std::is_enum_v<Number>
  void operator()(Number& value) { value = static_cast<Number>(in.Number()); }
};

}  // namespace

WireWriter::WireWriter(RecordKind kind) : bytes_(4, '\0') {
  bytes_.push_back(static_cast<char>(kind));
}

void WireWriter::Put(const std::string& value) {
  Put(static_cast<int64_t>(value.size()));
  bytes_ += value;
}

void WireWriter::Put(const std::vector<std::string>& values) {
  Put(static_cast<int64_t>(values.size()));
  for (const std::string& value : values) Put(value);
}

void WireWriter::Put(int64_t value) {
  bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void WireWriter::Put(bool value) {
  bytes_.push_back(value ? 1 : 0);
}

const std::string& WireWriter::Bytes() {
  const uint32_t length = static_cast<uint32_t>(bytes_.size() - 4);
  std::memcpy(bytes_.data(), &length, sizeof length);
  return bytes_;
}

bool WireReader::Take(void* out, size_t size) {
  if (!whole_ || payload_.size() - offset_ < size) {
    whole_ = false;
    std::memset(out, 0, size);
    return false;
  }
  std::memcpy(out, payload_.data() + offset_, size);
  offset_ += size;
  return true;
}

std::string WireReader::String() {
  const int64_t size = Number();
  if (size < 0 || static_cast<uint64_t>(size) > payload_.size() - offset_) {
    whole_ = false;
    return "";
  }
  std::string value = payload_.substr(offset_, static_cast<size_t>(size));
  offset_ += static_cast<size_t>(size);
  return value;
}

std::vector<std::string> WireReader::Strings() {
  const int64_t count = Number();
  std::vector<std::string> values;
  for (int64_t i = 0; i < count && whole_; ++i) values.push_back(String());
  return values;
}

int64_t WireReader::Number() {
  int64_t value = 0;
  Take(&value, sizeof value);
  return value;
}

bool WireReader::Flag() {
  char value = 0;
  Take(&value, 1);
  return value != 0;
}

bool SendRecord(int fd, WireWriter& record) {
  return SendBytes(fd, record.Bytes());
}

bool SendBytes(int fd, const std::string& bytes) {
  return WriteAll(fd, bytes.data(), bytes.size());
}

bool RecordReader::Fill(size_t wanted) {
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  constexpr size_t kPiece = 64 * 1024;
  while (buffer_.size() - start_ < wanted) {
    const size_t had = buffer_.size();
    buffer_.resize(had + std::max(kPiece, wanted));
    const ssize_t got = read(fd_, buffer_.data() + had, buffer_.size() - had);
    buffer_.resize(had + static_cast<size_t>(std::max<ssize_t>(got, 0)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytesRead_ += static_cast<uint64_t>(got);
  }
  return true;
}

std::optional<Record> RecordReader::Next() {
  uint32_t length = 0;
  if (!Fill(sizeof length)) return std::nullopt;
  std::memcpy(&length, buffer_.data() + start_, sizeof length);
  if (length == 0 || length > kMaxRecordBytes) return std::nullopt;
  if (!Fill(sizeof length + length)) return std::nullopt;
  const char* bytes = buffer_.data() + start_ + sizeof length;
  const auto kind = static_cast<RecordKind>(bytes[0]);
  Record record{kind, WireReader(std::string(bytes + 1, length - 1))};
  start_ += sizeof length + length;
  // What was read is dropped once it is a good part of the buffer.
  if (start_ > (1u << 20)) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  return record;
}

void PutSessionState(WireWriter& out, const Session& session) {
  Writing write{out};
  EachJobField(session.job, write);
  EachZipField(session.zip, write);
  EachSettingsField(session.settings, write);
  EachStatusField(session.status, write);
  write(session.mainWindow.destinationBox.text);
  write(session.mainWindow.perArchiveFolder);
  write(session.mainWindow.currentFolder);
  write(session.contents.totals);
  write(session.contents.probedArchive);
  write(static_cast<int64_t>(session.contents.rows.size()));
  for (const ContentsRow& row : session.contents.rows) EachRowField(row, write);
}

void GetSessionState(WireReader& in, Session& session) {
  Reading read{in};
  EachJobField(session.job, read);
  EachZipField(session.zip, read);
  EachSettingsField(session.settings, read);
  EachStatusField(session.status, read);
  read(session.mainWindow.destinationBox.text);
  read(session.mainWindow.perArchiveFolder);
  read(session.mainWindow.currentFolder);
  read(session.contents.totals);
  read(session.contents.probedArchive);
  int64_t rows = 0;
  read(rows);
  session.contents.rows.clear();
  for (int64_t i = 0; i < rows && in.Whole(); ++i) {
    ContentsRow row;
    EachRowField(row, read);
    session.contents.rows.push_back(std::move(row));
  }
}

void PutStatusState(WireWriter& out, const Session& session) {
  EachStatusField(session.status, Writing{out});
}

void GetStatusState(WireReader& in, Session& session) {
  EachStatusField(session.status, Reading{in});
}

}  // namespace tessaly
