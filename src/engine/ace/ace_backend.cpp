#include "engine/ace/ace_backend.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archivekit/dos_time.h"
#include "engine/ace/ace_flags.h"
#include "engine/ace/ace_messages.h"
#include "engine/active_session.h"
#include "engine/entry_data_callback.h"
#include "engine/entry_job_outcome.h"
#include "engine/entry_messages.h"
#include "engine/entry_selection.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/name_encoding_choice.h"
#include "engine/session.h"
#include "platform/folder_listing.h"
#include "unace.h"

namespace tessaly {

namespace {

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

// The whole stored name: the record's own field may cut a long name.
std::string EntryNameOf(const ACEHeaderData& header) {
  const std::string whole = FieldText(header.FileNameW, sizeof header.FileNameW);
  return whole.empty() ? FieldText(header.FileName, sizeof header.FileName) : whole;
}

std::string ArchiveNameOf(const ACEHeaderData& header) {
  return FieldText(header.ArcName, sizeof header.ArcName);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// One open archive handle, closed when it goes.
class AceArchive {
 public:
  AceArchive(const std::string& path, unsigned int mode, const std::string& nameEncoding = "") {
    ACEOpenArchiveData data{};
    data.ArcName = path.c_str();
    data.OpenMode = mode;
    handle_ = ACEOpenArchive(&data);
    openResult_ = data.OpenResult;
    if (handle_ != nullptr) ACESetNameEncoding(handle_, nameEncoding.c_str());
  }
  ~AceArchive() {
    if (handle_ != nullptr) ACECloseArchive(handle_);
  }
  AceArchive(const AceArchive&) = delete;
  AceArchive& operator=(const AceArchive&) = delete;

  unsigned int openResult() const { return openResult_; }
  bool opened() const { return handle_ != nullptr; }
  // The code page names stored in one are read in; "" when every name is UTF-8.
  std::string NameEncoding() const { return handle_ != nullptr ? ACEGetNameEncoding(handle_) : ""; }

  // An archive the library did not open reads as unreadable.
  int ReadHeader(ACEHeaderData& header) {
    if (handle_ == nullptr) return ACE_READ_ERROR;
    return ACEReadHeader(handle_, &header);
  }
  int ProcessFile(int operation, const std::string& destination) {
    if (handle_ == nullptr) return ACE_READ_ERROR;
    std::string folder = destination;
    return ACEProcessFile(handle_, operation, folder.empty() ? nullptr : folder.data());
  }
  void SetPassword(const std::string& password) {
    if (handle_ == nullptr) return;
    std::string text = password;
    ACESetPassword(handle_, text.data());
  }
  void SetDataCallback() {
    if (handle_ != nullptr) ACESetProcessDataProc(handle_, EntryDataCallback);
  }
  void SetKeepBroken(bool keep) {
    if (handle_ != nullptr) ACESetKeepBroken(handle_, keep ? 1 : 0);
  }
  void SetThreads(int threads) {
    if (handle_ != nullptr) ACESetThreads(handle_, threads);
  }
  std::string KeptName() const { return handle_ != nullptr ? ACEKeptName(handle_) : ""; }

 private:
  HANDLE handle_ = nullptr;
  unsigned int openResult_ = ACE_OPEN_OK;
};

// The local state of one ExtractAceArchive call.
class AceExtraction {
 public:
  AceExtraction(Session& session, const std::string& longPath)
      : session_(session),
        job_(session.job),
        longPath_(longPath),
        folder_(FolderOf(longPath)),
        selection_(session.job),
        outcome_(session, [this] { return archive_ ? archive_->KeptName() : ""; }) {
    // Every file whose name starts like the archive's, less its three last characters:
    // set.ace finds set.c00, set.c01 ...
    const std::string name = longPath.substr(folder_.size());
    volumePattern_ = name.substr(0, name.size() < 3 ? 0 : name.size() - 3) + "*";
    destination_ = DestinationFolder(session.mainWindow.destinationBox.text);
  }

  int32_t Run() {
    CountEntries();
    if (OpenForExtraction()) ExtractEntries();
    return outcome_.End();
  }

 private:
  using Step = EntryStep;

  // Every volume of the set: entries continued from an earlier volume are not counted.
  void CountEntries() {
    int64_t entryCount = 0;
    job_.entryBytes.Restart();
    for (const std::string& name : FilesMatching(folder_, volumePattern_)) {
      AceArchive volume(folder_ + name, ACE_OM_LIST, NameEncodingToRead(session_));
      if (volume.openResult() == ACE_OPEN_NOT_ACE) continue;
      ACEHeaderData header{};
      while (volume.ReadHeader(header) == ACE_SUCCESS) {
        session_.job.namesReadIn = volume.NameEncoding();
        volume.ProcessFile(ACE_SKIP, "");
        if (AceEntryCounted(header.Flags) && selection_.Selects(EntryNameOf(header))) {
          ++entryCount;
          job_.entryBytes.Count(header.UnpSize64);
        }
      }
    }
    outcome_.SetEntryCount(entryCount);
    session_.status.SetMax(job_.entryBytes.total());
  }

  // False when the library refused the archive (the user has been told).
  bool OpenForExtraction() {
    archive_.reset();
    archive_ =
        std::make_unique<AceArchive>(longPath_, ACE_OM_EXTRACT, NameEncodingToRead(session_));
    const std::string refusal = AceOpenResultMessage(archive_->openResult());
    if (!refusal.empty()) {
      outcome_.Tell(refusal);
      return false;
    }
    archive_->SetDataCallback();
    archive_->SetKeepBroken(job_.keepBroken);
    archive_->SetThreads(session_.zip.threads);
    if (!outcome_.password().empty()) archive_->SetPassword(outcome_.password());
    return true;
  }

  void ExtractEntries() {
    for (;;) {
      ACEHeaderData header{};
      const int read = archive_->ReadHeader(header);
      if (read != ACE_SUCCESS) return HeaderReadFailed(read, header);
      session_.status.SetArchiveLabel("Processing archive: " + ArchiveNameOf(header));
      const Step step = ProcessEntry(header);
      if (step == Step::Stop) return;
      if (step == Step::Restart && !OpenForExtraction()) return;
    }
  }

  // The end of the archive is the normal way out; a damaged or cut archive is not
  // an extracted one.
  void HeaderReadFailed(int read, const ACEHeaderData& header) {
    if (read == ACE_END_ARCHIVE) return;
    if (Cancelled(read)) {
      outcome_.MarkFailed();
      return;
    }
    std::string archive = ArchiveNameOf(header);
    if (archive.empty()) archive = longPath_;
    const int code = read == ACE_BAD_HEADER ? ACE_BAD_DATA : read;
    outcome_.Tell(AceResultMessage(code, outcome_.entryName(), archive, false));
  }

  Step ProcessEntry(const ACEHeaderData& header) {
    const std::string storedName = EntryNameOf(header);
    const bool selected = selection_.Selects(storedName);
    // Every selected entry is out: the rest need not be read.
    if (!selected && outcome_.AllEntriesDone()) return Step::Stop;
    target_ = ResolveEntryTarget(destination_, storedName);
    outcome_.SetEntryName(target_ ? target_->shownName : ShownEntryName(storedName));
    const std::string& entryName = outcome_.entryName();
    if (selected) session_.status.SetMessageLabel("Extracting file: " + entryName);

    // An entry left out needs the password too: in a solid archive the selected ones
    // after it cannot be decoded without it.
    if (!outcome_.password().empty()) {
      archive_->SetPassword(outcome_.password());
    } else if (AceEntryEncrypted(header.Flags)) {
      if (!outcome_.AskPassword(entryName)) return Step::Stop;
      archive_->SetPassword(outcome_.password());
      const int tested = archive_->ProcessFile(ACE_TEST, destination_);
      if (Cancelled(tested)) return outcome_.Fail();
      if (tested == ACE_BAD_DATA) return outcome_.Tell(kWrongPasswordText);
      return Step::Restart;
    }

    // The library writes nothing where the path leads outside, nor what was not
    // selected: the entry is passed over (a solid archive still decodes it for the ones
    // after it).
    int operation = target_ && selected ? ACE_EXTRACT : ACE_SKIP;
    if (operation == ACE_EXTRACT &&
        !DecideEntryOperation(session_, target_->path, entryName,
                              {header.UnpSize64, archivekit::dos_time_to_unix(header.FileTime)},
                              operation, ACE_SKIP)) {
      return outcome_.Fail();
    }
    if (job_.cancelExtract) return outcome_.Fail();

    if (selected) job_.entryBytes.Begin(header.UnpSize64);
    const int code = archive_->ProcessFile(operation, destination_);
    const int error = errno;  // why the entry could not be created
    // Cancel stopped the entry: nothing went wrong, and nothing more is said.
    if (Cancelled(code)) return outcome_.Fail();
    if (!selected && code == ACE_SUCCESS) return Step::Next;
    if (!target_ && code == ACE_SUCCESS) return outcome_.Report(OutsideDestinationText(entryName));
    if (code == ACE_WRITE_PROTECTED) return outcome_.WriteFailed(destination_, error);
    const bool passwordAsked = outcome_.passwordAsked();
    if (code == ACE_BAD_DATA && !passwordAsked) job_.damagedEntries.push_back(entryName);
    const std::string failure =
        AceResultMessage(code, entryName, ArchiveNameOf(header), passwordAsked);
    if (!failure.empty()) return outcome_.Tell(failure);
    return outcome_.Done();
  }

  bool Cancelled(int code) const { return code == ACE_STOPPED && job_.cancelExtract; }

  Session& session_;
  JobState& job_;
  const std::string longPath_;
  const std::string folder_;
  std::string volumePattern_;
  std::string destination_;
  const EntrySelection selection_;
  std::unique_ptr<AceArchive> archive_;
  EntryJobOutcome outcome_;
  std::optional<EntryTarget> target_;
};

}  // namespace

int32_t ExtractAceArchive(Session& session, const std::string& longPath) {
  session.job.activeBackend = "ace";
  ActiveSessionGuard guard(session);
  AceExtraction extraction(session, longPath);
  return extraction.Run();
}

void AceTestOpen(Session& session, const std::string& path) {
  if (!session.job.probeMode) return;
  const AceArchive archive(path, ACE_OM_EXTRACT);
  session.job.extractResult = archive.opened() && archive.openResult() == ACE_OPEN_OK ? 0 : 1;
}

}  // namespace tessaly
