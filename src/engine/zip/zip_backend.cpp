#include "engine/zip/zip_backend.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/active_session.h"
#include "engine/entry_messages.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/file_signature.h"
#include "engine/name_encoding_choice.h"
#include "engine/session.h"
#include "platform/file_icons.h"
#include "platform/time_zone.h"
#include "unzip.h"

namespace tessaly {

namespace {

std::string BufferText(const char* buffer, size_t length) {
  if (buffer == nullptr) return {};
  return std::string(buffer, strnlen(buffer, length));
}

// An entry begins, or one is kept as it was: the one before is over.
void AdvanceProgress(Session& session) {
  ByteProgress& progress = session.job.entryBytes;
  progress.End();
  progress.Begin();
  session.status.SetValue(progress.value());
}

// The entry line of the status window: the library's line for an entry names its method
// ("  inflating: x", " bunzipping: x", " extracting: x": the verb right-aligned in eight
// columns, then "ing: "); each reads "Extracting file: x". Every other chunk is shown as
// the library wrote it. The path of such a line, padding and all; none for other chunks.
std::optional<std::string> EntryLinePath(const std::string& chunk) {
  constexpr size_t kVerbEnd = 8;
  if (chunk.size() <= kVerbEnd || chunk.compare(kVerbEnd, 5, "ing: ") != 0) return std::nullopt;
  const size_t verb = chunk.find_first_not_of(' ');
  for (size_t i = verb; i < kVerbEnd; ++i) {
    if (chunk[i] < 'a' || chunk[i] > 'z') return std::nullopt;
  }
  return chunk.substr(kVerbEnd + 5);
}

// "Extracting file: x" for the library's line for an entry, else the chunk itself.
std::string StatusLineFor(const std::string& chunk) {
  const std::optional<std::string> path = EntryLinePath(chunk);
  return path ? "Extracting file: " + *path : chunk;
}

// The library's words for a write that failed (a full disk), after the output path.
constexpr std::string_view kWriteErrorEnd = ":  write error (disk full?).\n";
// ... for an entry passed over because its password was wrong or not given.
constexpr std::string_view kSkippingStart = "   skipping: ";
constexpr std::string_view kKeptAsStart = "   kept as: ";
// ... for an entry whose data fails its CRC, or cannot be decoded.
constexpr std::string_view kBadCrcStart = " bad CRC ";
constexpr std::string_view kDecodeErrorStart = "\n  error:  ";
constexpr std::string_view kIncorrectPasswordEnd = "  incorrect password\n";
// ... and for one packed with a method the library cannot decode (a known method
// named, or its number).
constexpr std::string_view kMethodNotSupportedEnd = " method not supported\n";
constexpr std::string_view kUnsupportedMethod = "  unsupported compression method ";
// The library's prompt when it asks again for the entry whose password was wrong.
constexpr std::string_view kAskedAgain = "Password incorrect--reenter: ";

// ... for an entry (or a folder on its way) that could not be created: the path, then
// the system's reason on the next line.
constexpr std::string_view kCannotCreateStart = "error:  cannot create ";
constexpr std::string_view kCheckdirStart = "checkdir error:  cannot create ";
constexpr std::string_view kUnableToProcess = "unable to process ";
// ... for an entry whose path, or link target, leads outside.
constexpr std::string_view kUnsafeEnd = "  unsafe path\n";

// ... for an archive whose central directory is missing (the file may be cut short),
// or found and unreadable.
constexpr std::string_view kNoEndRecordStart = "  End-of-central-directory signature not found.";
constexpr std::string_view kDamagedDirectoryEnd =
    "start of central directory not found;\n  zipfile corrupt.\n";
// ... and after reading such an archive from its local headers.
constexpr std::string_view kScannedEnd = " entries found by scanning the local headers.\n";

// What a chunk tells of the central directory; "" when nothing.
std::string DirectoryDamageOf(const std::string& chunk) {
  if (chunk.starts_with(kNoEndRecordStart)) {
    return "the end of its central directory is missing, as if the file had been cut short";
  }
  if (chunk.ends_with(kDamagedDirectoryEnd)) return "its central directory cannot be read";
  if (chunk.ends_with(kScannedEnd)) return "its central directory is missing or damaged";
  return {};
}

// The question names the entry and its archive, as the other formats' do.
std::string PasswordPrompt(const std::string& entry, const std::string& archive) {
  return "The file " + entry + " in " + archive +
         " is encrypted with a password. Please enter the password to extract.";
}

// The entry's name in a "skipping:" line about a method, without the padding; none
// for other skips.
std::optional<std::string> UnsupportedMethodEntry(const std::string& chunk) {
  size_t reason = std::string::npos;
  if (chunk.ends_with(kMethodNotSupportedEnd)) {
    reason = chunk.rfind("  `");
  } else {
    reason = chunk.rfind(kUnsupportedMethod);
  }
  if (reason == std::string::npos || reason < kSkippingStart.size()) return std::nullopt;
  std::string name = chunk.substr(kSkippingStart.size(), reason - kSkippingStart.size());
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// An output path as the library wrote it, below the extraction folder: the entry's
// name as it lands on disk.
std::string NameBelow(const std::string& path, std::string folder) {
  if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  if (folder.empty()) return path;
  if (folder.back() != '/') folder += '/';
  return path.starts_with(folder) ? path.substr(folder.size()) : path;
}

// The lines of a chunk, each without its leading blanks.
std::vector<std::string> ChunkLines(const std::string& chunk) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < chunk.size()) {
    size_t end = chunk.find('\n', start);
    if (end == std::string::npos) end = chunk.size();
    const size_t text = chunk.find_first_not_of(' ', start);
    lines.push_back(text < end ? chunk.substr(text, end - text) : "");
    start = end + 1;
  }
  return lines;
}

struct RefusedEntry {
  std::string text;  // "" for a chunk that tells of no entry left out
  bool notWritten = false;
};

// What a chunk tells of an entry left out.
RefusedEntry RefusedEntryOf(const std::string& chunk, const std::string& extractDir) {
  const std::vector<std::string> lines = ChunkLines(chunk);
  if (chunk.starts_with(kCannotCreateStart) && lines.size() == 2) {
    const std::string path = lines[0].substr(kCannotCreateStart.size());
    return {WriteFailedText(NameBelow(path, extractDir), lines[1]), true};
  }
  if (chunk.starts_with(kCheckdirStart) && lines.size() == 3 &&
      lines[2].starts_with(kUnableToProcess) && lines[2].ends_with('.')) {
    const std::string name = lines[2].substr(kUnableToProcess.size());
    return {WriteFailedText(name.substr(0, name.size() - 1), lines[1]), true};
  }
  if (chunk.starts_with(kSkippingStart) && chunk.ends_with(kUnsafeEnd)) {
    std::string name = chunk.substr(kSkippingStart.size(),
                                    chunk.size() - kSkippingStart.size() - kUnsafeEnd.size());
    name.erase(name.find_last_not_of(' ') + 1);  // the padding to 22 columns
    // The library refuses a link whose target leads outside under the same words: its
    // own name then resolves inside.
    return {ResolveEntryTarget(DestinationFolder(extractDir), name)
                ? LinkOutsideDestinationText(name)
                : OutsideDestinationText(ShownEntryName(name))};
  }
  return {};
}

// An entry left out costs only itself: it is named and the archive goes on, unless the
// destination takes nothing more.
void ReportRefusedEntry(Session& session, const RefusedEntry& entry) {
  ZipOptions& zip = session.zip;
  zip.entryRefused = true;
  const bool stop = entry.notWritten && DestinationRefusesWrites(DestinationFolder(zip.extractDir));
  session.dialogs.MessageBox(
      {entry.text, MsgButtons::OK, stop ? MsgIcon::Critical : MsgIcon::Exclamation, "Oops!"});
  if (stop) session.job.cancelExtract = true;
}

int32_t ZipPrintCallback(char* buffer, uint32_t length) {
  Session* session = ActiveSessionGuard::Current();
  if (session == nullptr) return 0;
  session->events.pump();
  const std::string chunk = BufferText(buffer, length);
  if (chunk.ends_with(kWriteErrorEnd)) {
    session->zip.diskFullPath = chunk.substr(0, chunk.size() - kWriteErrorEnd.size());
  }
  if (chunk.starts_with(kSkippingStart) && chunk.ends_with(kIncorrectPasswordEnd)) {
    session->zip.passwordRefused = true;
  }
  if (chunk.starts_with(kSkippingStart)) {
    if (const std::optional<std::string> name = UnsupportedMethodEntry(chunk)) {
      session->zip.unsupportedEntries.push_back(*name);
    }
  }
  if (chunk.starts_with(kKeptAsStart) && chunk.ends_with('\n')) {
    session->zip.keptDamaged.push_back(
        chunk.substr(kKeptAsStart.size(), chunk.size() - kKeptAsStart.size() - 1));
  }
  if (std::string damage = DirectoryDamageOf(chunk); !damage.empty()) {
    session->zip.directoryDamage = std::move(damage);
  }
  // The library names a damaged entry's file line, then its check's failure.
  if (std::optional<std::string> path = EntryLinePath(chunk)) {
    session->zip.currentEntryPath = path->substr(0, path->find_last_not_of(' ') + 1);
  } else if (chunk.starts_with(kBadCrcStart) || chunk.starts_with(kDecodeErrorStart)) {
    session->job.damagedEntries.push_back(
        NameBelow(session->zip.currentEntryPath, session->zip.extractDir));
  }
  if (chunk.starts_with("Targ") || session->job.countingPass) return 0;
  if (const RefusedEntry refused = RefusedEntryOf(chunk, session->zip.extractDir);
      !refused.text.empty()) {
    ReportRefusedEntry(*session, refused);
    return 0;
  }
  // Line-ending chunks are warnings, errors and the ends of file lines: not files.
  if (chunk.find('\n') != std::string::npos) return 0;
  session->status.SetMessageLabel(StatusLineFor(chunk));
  AdvanceProgress(*session);
  return 0;
}

int32_t ZipReplaceCallback(char* buffer, uint32_t size, uint64_t entryBytes, int64_t entryTime) {
  Session* session = ActiveSessionGuard::Current();
  if (session == nullptr) return 100;
  JobState& job = session->job;
  const std::string path = BufferText(buffer, size);
  switch (DecideExistingFile(*session, path, path, {entryBytes, entryTime})) {
    case ExistingFile::Replace:
      return 102;
    case ExistingFile::Stop:
      job.stopAllArchives = true;
      job.extractResult = 1;
      return 104;
    case ExistingFile::Keep:
      break;
  }
  AdvanceProgress(*session);
  session->job.entryBytes.End();
  return 100;
}

int32_t ZipPasswordCallback(char* buffer, int32_t size, const char* prompt, const char* name) {
  Session* session = ActiveSessionGuard::Current();
  if (session == nullptr) return 1;
  const std::string question = PasswordPrompt(name ? name : "", session->zip.zipFileName);
  // Asked again for the same entry: the user is told why.
  const bool again = prompt != nullptr && kAskedAgain == prompt;
  const std::string password =
      session->dialogs.InputBox(again ? std::string(kWrongPasswordText) + " " + question : question,
                                "Enter Password", "", InputEcho::Secret);
  if (password.empty() || buffer == nullptr || size <= 0) return 1;
  std::memset(buffer, 0, static_cast<size_t>(size));
  const size_t copied = std::min(password.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, password.data(), copied);
  return 0;
}

void ZipListEntryCallback(uint64_t ucsize, uint64_t csize, uint32_t cfactor, uint32_t month,
                          uint32_t day, uint32_t year, uint32_t hour, uint32_t minute, char,
                          const char* filename, const char*, uint32_t, char fCrypt) {
  Session* session = ActiveSessionGuard::Current();
  if (session == nullptr) return;
  ZipOptions& zip = session->zip;
  if (zip.listIntoContents) {
    ContentsRow row;
    const std::string folder = NameRow(row, filename != nullptr ? filename : "", fCrypt == 'E');
    row.subItems = {std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year) +
                        " " + std::to_string(hour) + ":" + std::to_string(minute),
                    std::to_string(ucsize), std::to_string(cfactor) + "%", std::to_string(csize),
                    folder};
    row.modified = LocalTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                             static_cast<int>(hour), static_cast<int>(minute), 0)
                       .value_or(ContentsRow::kNoDate);
    session->contents.InsertRowAtTop(std::move(row));
    zip.listedBytes += static_cast<int64_t>(ucsize);
  }
  ++zip.listedEntries;
}

// Runs after every entry and at least every 256 KiB the library writes, and while it
// waits for its worker threads: the windows stay alive, and the Status window's
// Cancel stops the entry in progress.
int32_t ZipIdleCallback() {
  Session* session = ActiveSessionGuard::Current();
  if (session == nullptr) return 0;
  session->events.pump();
  return session->job.cancelExtract ? 1 : 0;
}

int32_t ZipServiceCallback(const char*, uint64_t written) {
  if (Session* session = ActiveSessionGuard::Current()) {
    session->job.entryBytes.WrittenSoFar(written);
    session->status.SetValue(session->job.entryBytes.value());
  }
  return ZipIdleCallback();
}

// The library takes non-const pointers; these buffers live for one call. It reads
// at least 100 slots, the unused ones empty.
class PatternArray {
 public:
  explicit PatternArray(const std::vector<std::string>& names) : texts_(names) {
    pointers_.assign(std::max<size_t>(texts_.size() + 1, 100), nullptr);
    for (size_t i = 0; i < texts_.size(); ++i) pointers_[i] = texts_[i].data();
  }
  int32_t count() const { return static_cast<int32_t>(texts_.size()); }
  char** data() { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

std::string ArchiveListEntry(const std::vector<std::string>& list, int32_t index) {
  if (index < 1 || static_cast<size_t>(index) > list.size()) return {};
  return list[static_cast<size_t>(index) - 1];
}

// Returns false when the user chose to stop the job.
bool ReportLibraryError(Session& session, int32_t code) {
  JobState& job = session.job;
  job.archiveFailed = true;
  const std::string archive = ArchiveListEntry(job.selectedFiles, job.zipArchiveIndex);
  std::string kept;
  std::string keptLines;
  for (const std::string& path : session.zip.keptDamaged) {
    const std::string text = KeptDamagedText(NameBelow(path, session.zip.extractDir));
    kept += " " + text;
    keptLines += "\n" + text;
  }
  if (job.zipArchiveIndex == job.selectedCount || job.selectedCount <= 1) {
    session.dialogs.MessageBox({"An error was encountered while processing \"" + archive +
                                    "\". The file is probably corrupted." + kept,
                                MsgButtons::OK, MsgIcon::Critical, "Error"});
    job.cancelExtract = true;
    job.extractResult = 1;
    return true;
  }
  const MsgAnswer answer = session.dialogs.MessageBox(
      {"There was an error in " + archive + "\nError #: " + std::to_string(code) + keptLines +
           "\nWould you like to continue processing the remaining archives?",
       MsgButtons::YesNo, MsgIcon::None, "Error"});
  if (answer != MsgAnswer::Yes) {
    job.cancelExtract = true;
    job.extractResult = 1;
    return false;
  }
  job.zipErrorContinued = true;
  return true;
}

// A password refused (a wrong one, or none given) is the reason entries were left
// out, not a damaged archive: the archive failed, and the job goes on.
void ReportWrongPassword(Session& session) {
  JobState& job = session.job;
  job.archiveFailed = true;
  job.extractResult = 1;
  session.dialogs.MessageBox({kWrongPasswordText, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
}

void ReportUnsupportedEntries(Session& session) {
  JobState& job = session.job;
  job.archiveFailed = true;
  job.extractResult = 1;
  for (const std::string& name : session.zip.unsupportedEntries) {
    session.dialogs.MessageBox(
        {UnsupportedMethodText(name), MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
  }
}

// The library stops at a write that fails: the disk is full, and the job ends here.
void ReportDiskFull(Session& session) {
  JobState& job = session.job;
  job.archiveFailed = true;
  session.dialogs.MessageBox({"Error writing " +
                                  NameBelow(session.zip.diskFullPath, session.zip.extractDir) +
                                  ". Disk full. Operation aborting.",
                              MsgButtons::OK, MsgIcon::Critical, "Oops!"});
  job.cancelExtract = true;
  job.extractResult = 1;
}

// What a list-mode answer depends on: the options the listing reads and the file
// as it is now (a rewritten archive gets a new inode, size or change time).
// Empty when the file cannot be examined: then nothing is reused.
std::string ListingKey(const ZipOptions& zip, const DCL& options) {
  struct stat info {};
  if (stat(zip.zipFileName.c_str(), &info) != 0) return {};
  std::string key = zip.zipFileName;
  for (const long long field :
       {static_cast<long long>(info.st_dev), static_cast<long long>(info.st_ino),
        static_cast<long long>(info.st_size), static_cast<long long>(info.st_mtim.tv_sec),
        static_cast<long long>(info.st_mtim.tv_nsec), static_cast<long long>(info.st_ctim.tv_sec),
        static_cast<long long>(info.st_ctim.tv_nsec), static_cast<long long>(options.nzflag),
        static_cast<long long>(options.ScanLocalHeaders)}) {
    key += '\0' + std::to_string(field);
  }
  for (const std::vector<std::string>* names : {&zip.includeNames, &zip.excludeNames}) {
    key += '\0' + std::to_string(names->size());
    for (const std::string& name : *names) key += '\0' + name;
  }
  return key;
}

// A counting or probing listing only counts: its chunks are not shown and it fills
// no contents window, so an unchanged archive need not be read again.
bool ReusableListing(const Session& session, const DCL& options) {
  return options.nvflag != 0 && session.job.countingPass && !session.zip.listIntoContents;
}

// The last call met a directory it could not read, or scanned one, in a file that
// begins as a ZIP does (a damaged self-extracting file is left alone).
bool DamagedZip(const Session& session, int32_t code) {
  const ZipOptions& zip = session.zip;
  return (code == PK_NOZIP || code == PK_BADERR || code == PK_WARN) &&
         !zip.directoryDamage.empty() && IdentifyFile(zip.zipFileName).owner == SignatureOwner::Zip;
}

// Such an archive may be scanned for what it still holds, if the user agrees.
// What the listing pass found, for the Status window's bar.
void RecordMembers(ZipOptions& zip, const USERFUNCTIONS& callbacks) {
  zip.zipMemberCount = callbacks.NumMembers;
  zip.zipMemberBytes = callbacks.TotalSize;
}

bool ScanAgreed(Session& session, const DCL& options, int32_t code) {
  return !options.ScanLocalHeaders && !session.job.probeMode && DamagedZip(session, code) &&
         AgreeToScanDamaged(session, session.zip.zipFileName, session.zip.directoryDamage);
}

// The user knows the archive is damaged and what the scan found was read: it did not
// finish, and nothing more is said.
void EndScannedArchive(Session& session, const USERFUNCTIONS& callbacks) {
  if (!session.job.countingPass) {
    session.job.archiveFailed = true;
    session.job.extractResult = 1;
  }
  RecordMembers(session.zip, callbacks);
}

}  // namespace

void UnzipArchive(Session& session) {
  JobState& job = session.job;
  ZipOptions& zip = session.zip;
  session.events.pump();
  if (job.cancelExtract) return;
  if (!job.countingPass) {
    session.status.SetArchiveLabel("Processing archive: " +
                                   ArchiveListEntry(job.longFileNames, job.zipArchiveIndex));
  }

  DCL options{};
  // Keeping every existing file is the replace callback's answer, whatever the
  // settings would let the library do without asking.
  const bool overwriteAll = zip.overwriteAll && !job.keepExistingFiles;
  options.PromptToOverwrite = zip.promptToOverwrite || !overwriteAll ? 1 : 0;
  options.nvflag = zip.extractList ? 1 : 0;
  options.nzflag = zip.showComment ? 1 : 0;
  options.ndflag = zip.honorDirectories ? 1 : 0;
  options.noflag = overwriteAll ? 1 : 0;
  options.ScanLocalHeaders = ScansDamaged(job, zip.zipFileName) ? 1 : 0;
  options.lpszZipFN = zip.zipFileName.c_str();
  options.lpszExtractDir = zip.extractDir.c_str();
  options.Threads = zip.threads;
  const std::string nameEncoding = NameEncodingToRead(session);
  options.NameEncoding = nameEncoding.c_str();
  options.KeepBroken = job.keepBroken ? 1 : 0;

  USERFUNCTIONS callbacks{};
  callbacks.print = ZipPrintCallback;
  callbacks.replace = ZipReplaceCallback;
  callbacks.password = ZipPasswordCallback;
  callbacks.SendApplicationMessage = ZipListEntryCallback;
  callbacks.ServCallBk = ZipServiceCallback;
  callbacks.idle = ZipIdleCallback;

  PatternArray includes(zip.includeNames);
  PatternArray excludes(zip.excludeNames);
  int32_t code = 0;
  zip.diskFullPath.clear();
  zip.passwordRefused = false;
  zip.unsupportedEntries.clear();
  zip.entryRefused = false;
  zip.keptDamaged.clear();
  zip.directoryDamage.clear();
  const std::string listingKey = ReusableListing(session, options) ? ListingKey(zip, options) : "";
  if (!listingKey.empty() && listingKey == zip.lastListing.key) {
    code = zip.lastListing.code;
    callbacks.NumMembers = zip.lastListing.members;
    callbacks.TotalSize = zip.lastListing.bytes;
    zip.listedEntries += zip.lastListing.entries;
  } else {
    const int64_t listedBefore = zip.listedEntries;
    {
      ActiveSessionGuard guard(session);
      code = Wiz_SingleEntryUnzip(includes.count(), includes.data(), excludes.count(),
                                  excludes.data(), &options, &callbacks);
    }
    job.namesReadIn = callbacks.NameEncoding;
    // A damaged directory is met again, so that the question comes where it belongs.
    zip.lastListing = {zip.directoryDamage.empty() ? listingKey : "", code, callbacks.NumMembers,
                       callbacks.TotalSize, zip.listedEntries - listedBefore};
  }

  if (ScanAgreed(session, options, code)) return UnzipArchive(session);
  if (options.ScanLocalHeaders && code == PK_WARN && !zip.directoryDamage.empty()) {
    return EndScannedArchive(session, callbacks);
  }
  if (job.probeMode && code != 0) {
    // Still a ZIP: extracting or listing it asks whether to scan it.
    job.extractResult = DamagedZip(session, code) ? 0 : 1;
    return;
  }
  // Cancel stopped the entry in progress: nothing went wrong, and nothing is said.
  if (code == IZ_CTRLC && job.cancelExtract) {
    job.extractResult = 1;
    return;
  }
  if (code == PK_DISK && !zip.diskFullPath.empty()) return ReportDiskFull(session);
  // Every entry refused its password (82), or some did and the rest went well (1).
  if (zip.passwordRefused && (code == IZ_BADPWD || code == PK_WARN)) {
    ReportWrongPassword(session);
    RecordMembers(zip, callbacks);
    return;
  }
  // The rest of the archive came out; each entry passed over is named.
  if (code == IZ_UNSUP && !zip.unsupportedEntries.empty() && !job.countingPass) {
    ReportUnsupportedEntries(session);
    RecordMembers(zip, callbacks);
    return;
  }
  // Each entry left out was named: the archive did not finish, and the job goes on.
  if (zip.entryRefused && (code == PK_WARN || code == PK_ERR || code == PK_DISK)) {
    job.archiveFailed = true;
    job.extractResult = 1;
    RecordMembers(zip, callbacks);
    return;
  }
  // In the counting pass of several archives an error is met again when extracting.
  if (code != 0 && (!job.countingPass || job.selectedCount == 1)) {
    if (!ReportLibraryError(session, code)) return;
  }
  RecordMembers(zip, callbacks);
}

}  // namespace tessaly
